#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace koordel {

void QtClipboard::clear() {
  QGuiApplication::clipboard()->clear();
}

QString QtClipboard::text() const {
  return QGuiApplication::clipboard()->text();
}

bool QtClipboard::setText(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(text);
  // Qt reports no failure of its own; reading back tells whether it took.
  return clipboard->text() == text;
}

}  // namespace koordel

#include "Messages.h"

#include <QDir>

#include <QMessageBox>

namespace koordel {

QString aboutFile(const QString& message, const QString& path) {
  return message + QStringLiteral("\n") + QDir::toNativeSeparators(path);
}

QString applicationTitle() {
  return QStringLiteral("Koordel");
}

void showMessage(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.exec();
}

}  // namespace koordel

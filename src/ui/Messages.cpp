#include "Messages.h"

#include <QMessageBox>

namespace koordel {

QString applicationTitle() {
  return QStringLiteral("Koordel");
}

void showMessage(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.exec();
}

}  // namespace koordel

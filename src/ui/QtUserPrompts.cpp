#include "QtUserPrompts.h"

#include "Messages.h"

#include <QInputDialog>

namespace koordel {

void QtUserPrompts::message(const QString& text, const QString& title) {
  showMessage(m_parent, text, title);
}

QString QtUserPrompts::input(const QString& prompt, const QString& title) {
  QInputDialog box(m_parent);
  box.setObjectName(QStringLiteral("InputBox"));
  box.setWindowTitle(title);
  box.setLabelText(prompt);
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(QString());
  return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

}  // namespace koordel

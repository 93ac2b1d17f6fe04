#include "QtUserPrompts.h"

#include "Messages.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>

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

bool QtUserPrompts::ask(const QString& question, const QString& title) {
  QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No,
                  m_parent);
  box.setObjectName(QStringLiteral("QuestionBox"));
  box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
  box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace koordel

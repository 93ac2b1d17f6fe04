#include "FileDialog.h"

#include <QFileDialog>

namespace koordel {

std::optional<QString> QtFileDialog::remember(const QString& chosen) {
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  m_lastName = chosen;
  return chosen;
}

std::optional<QString> QtFileDialog::chooseFileToOpen(const QString& title) {
  return remember(QFileDialog::getOpenFileName(m_parent, title, m_lastName));
}

std::optional<QString> QtFileDialog::chooseFileToSave(const QString& title) {
  // The settings commands add their own extension, so the dialog must not
  // ask before "overwriting" the name without it.
  return remember(QFileDialog::getSaveFileName(m_parent, title, m_lastName, QString(), nullptr,
                                               QFileDialog::DontConfirmOverwrite));
}

}  // namespace koordel

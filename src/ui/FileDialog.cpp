#include "FileDialog.h"

#include "DesktopMemory.h"

#include <QFileDialog>
#include <QFileInfo>

namespace koordel {

std::optional<QString> QtFileDialog::remember(const QString& title, const QString& chosen) {
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  m_lastName = chosen;
  if (m_memory) {
    m_memory->rememberFolder(title, QFileInfo(chosen).absolutePath());
  }
  return chosen;
}

QString QtFileDialog::startingName(const QString& title) const {
  if (!m_lastName.isEmpty() || !m_memory) {
    return m_lastName;
  }
  return m_memory->folder(title);
}

std::optional<QString> QtFileDialog::chooseFileToOpen(const QString& title) {
  return remember(title, QFileDialog::getOpenFileName(m_parent, title, startingName(title)));
}

std::optional<QString> QtFileDialog::chooseFileToSave(const QString& title) {
  // The settings commands add their own extension, so the dialog must not
  // ask before "overwriting" the name without it.
  return remember(
      title, QFileDialog::getSaveFileName(m_parent, title, startingName(title), QString(), nullptr,
                                          QFileDialog::DontConfirmOverwrite));
}

}  // namespace koordel

#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace koordel {

// The one file dialog the image and settings commands share: it offers the
// name last chosen, by whichever command chose it. No value on cancel.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  virtual std::optional<QString> chooseFileToOpen(const QString& title) = 0;
  virtual std::optional<QString> chooseFileToSave(const QString& title) = 0;
  // Makes `name` the one the next dialog offers: a save that adds an
  // extension offers the file it actually wrote, so loading it back works.
  virtual void offer(const QString& name) = 0;
};

class DesktopMemory;

class QtFileDialog : public FileDialog {
 public:
  // The first dialog of a run opens in the folder `memory` kept for its
  // kind, and each choice is kept for the next run; within a run the name
  // last chosen is offered, whichever command chose it.
  explicit QtFileDialog(QWidget* parent, DesktopMemory* memory = nullptr)
      : m_parent(parent), m_memory(memory) {}

  std::optional<QString> chooseFileToOpen(const QString& title) override;
  std::optional<QString> chooseFileToSave(const QString& title) override;
  void offer(const QString& name) override { m_lastName = name; }

 private:
  std::optional<QString> remember(const QString& title, const QString& chosen);
  QString startingName(const QString& title) const;

  QWidget* m_parent;
  DesktopMemory* m_memory;
  QString m_lastName;
};

}  // namespace koordel

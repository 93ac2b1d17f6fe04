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

class QtFileDialog : public FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : m_parent(parent) {}

  std::optional<QString> chooseFileToOpen(const QString& title) override;
  std::optional<QString> chooseFileToSave(const QString& title) override;
  void offer(const QString& name) override { m_lastName = name; }

 private:
  std::optional<QString> remember(const QString& chosen);

  QWidget* m_parent;
  QString m_lastName;
};

}  // namespace koordel

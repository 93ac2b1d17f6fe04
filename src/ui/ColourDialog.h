#pragma once

#include <QColor>

#include <optional>

class QWidget;

namespace koordel {

// The system colour chooser: the colour the user confirmed, or no value on
// cancel.
class ColourDialog {
 public:
  virtual ~ColourDialog() = default;
  virtual std::optional<QColor> choose(const QColor& preset) = 0;
};

class QtColourDialog : public ColourDialog {
 public:
  explicit QtColourDialog(QWidget* parent) : m_parent(parent) {}
  std::optional<QColor> choose(const QColor& preset) override;

 private:
  QWidget* m_parent;
};

}  // namespace koordel

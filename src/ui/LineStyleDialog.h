#pragma once

#include <QDialog>

#include <array>
#include <memory>

class QLineEdit;
class QRadioButton;

namespace koordel {

class ColourDialog;
struct LineStyle;

// Form3 "線種線色設定": edits the line style in place; the tools read it at
// every release, so nothing here needs confirming.
class LineStyleDialog : public QDialog {
  Q_OBJECT

 public:
  LineStyleDialog(LineStyle& style, QWidget* parent = nullptr);
  ~LineStyleDialog() override;

  // Replaces the system colour chooser, for tests.
  void setColourDialog(std::unique_ptr<ColourDialog> dialog);

  // 線色変更 (Command1).
  void changeColour();

 private:
  void showSwatch();

  LineStyle& m_style;
  std::unique_ptr<ColourDialog> m_colourDialog;
  QLineEdit* m_swatch = nullptr;
};

}  // namespace koordel

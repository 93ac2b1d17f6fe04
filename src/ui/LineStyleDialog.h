#pragma once

#include <QDialog>

namespace koordel {

// Form3 "線種線色設定". Its settings arrive with the capture tools; until then
// it only tells the user so.
class LineStyleDialog : public QDialog {
  Q_OBJECT

 public:
  explicit LineStyleDialog(QWidget* parent = nullptr);
};

}  // namespace koordel

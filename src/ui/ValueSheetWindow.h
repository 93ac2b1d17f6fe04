#pragma once

#include "ValueSheet.h"

#include <QDialog>

#include <array>

namespace koordel {

// Form2 "設定": the visible face of the value sheet. Labels show the fields
// only the program writes; text boxes edit the others in the sheet itself, so
// a typed value reaches the very next reader without any further action.
class ValueSheetWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ValueSheetWindow(ValueSheet& sheet, QWidget* parent = nullptr);

  // The widget that shows `field` (a QLabel or a QLineEdit).
  QWidget* fieldWidget(Field field) const;

  // The caption of a row of the grid, as the window shows it.
  static QString rowCaption(int row);

 private:
  void showField(Field field);

  ValueSheet& m_sheet;
  std::array<QWidget*, kFieldCount> m_fields{};
};

}  // namespace koordel

#pragma once

#include <QLabel>

namespace koordel {

// A label showing a value the program writes: a converted position in the
// status bar, a field of the value sheet. Assistive technology hears its
// caption as the name and what it shows as the value and the text, so a
// screen reader says both ("X軸の座標, 300.00"); a plain label with an
// accessible name would say only the caption.
class Readout : public QLabel {
  Q_OBJECT

 public:
  Readout(const QString& caption, QWidget* parent = nullptr);

  // Shows `value` and tells assistive technology it changed.
  void setValue(const QString& value);
  QString value() const { return text(); }
};

}  // namespace koordel

#pragma once

#include "Readout.h"

namespace koordel {

class ValueSheet;

// 傾き: the tilt being corrected ("傾き 1.23°"), beside the zoom; hidden
// while there is none, so that a straight scan looks as it always did.
class TiltReadout : public Readout {
  Q_OBJECT

 public:
  TiltReadout(const ValueSheet& sheet, QWidget* parent);

 private:
  void showTilt();

  const ValueSheet& m_sheet;
};

}  // namespace koordel

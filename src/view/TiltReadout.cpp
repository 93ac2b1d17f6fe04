#include "TiltReadout.h"

#include "Calibration.h"
#include "ValueSheet.h"

using namespace Qt::StringLiterals;

namespace koordel {

TiltReadout::TiltReadout(const ValueSheet& sheet, QWidget* parent)
    : Readout(u"傾き"_s, parent), m_sheet(sheet) {
  setObjectName(u"傾き"_s);
  setContentsMargins(8, 0, 0, 0);
  connect(&sheet, &ValueSheet::tiltChanged, this, &TiltReadout::showTilt);
  showTilt();
}

void TiltReadout::showTilt() {
  const double tilt = m_sheet.tilt();
  setValue(tilt == 0 ? QString() : u"傾き "_s + tilt::degreesText(tilt));
  setVisible(tilt != 0);
}

}  // namespace koordel

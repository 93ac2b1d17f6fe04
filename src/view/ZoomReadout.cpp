#include "ZoomReadout.h"

#include "Zoom.h"

using namespace Qt::StringLiterals;

namespace koordel {

ZoomReadout::ZoomReadout(QWidget* parent) : Readout(u"表示倍率"_s, parent) {
  setObjectName(u"表示倍率"_s);
  setContentsMargins(8, 0, 8, 0);
  // A menu bar gives its corner the room the first text asked for; made as
  // wide as the widest zoom from the start, "3200%" is never cut short.
  const QMargins margins = contentsMargins();
  setMinimumWidth(fontMetrics().horizontalAdvance(zoom::percentText(zoom::kMax)) + margins.left() +
                  margins.right());
}

void ZoomReadout::showZoom(double zoom) {
  setValue(zoom::percentText(zoom));
}

}  // namespace koordel

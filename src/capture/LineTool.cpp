#include "LineTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan LineTool::plan(bool sending) const {
  Plan p;
  const QString purpose = u"線を描けません"_s;
  const std::optional<Ends> e = ends(purpose, p.error);
  if (!e || !withinReach({e->xd, e->yd, e->xu, e->yu}, purpose, p.error)) {
    return p;
  }
  p.draw = [from = e->press(), to = e->release()](DrawingSurface& surface, const QColor& colour) {
    surface.drawLine(from, to, colour);
  };
  if (!sending) {
    return p;
  }
  const auto k = coefficients(u"線の長さを計算できません"_s, p.error);
  if (!k) {
    return p;
  }
  const auto [kx, ky] = *k;
  // Each product first, then the difference: the reference point plays no
  // part in a length.
  const Ends s = straightened(*e);
  const double dx = s.xd * kx - s.xu * kx;
  const double dy = s.yd * ky - s.yu * ky;
  const std::optional<double> length = hundredths(std::sqrt(dx * dx + dy * dy), p.error);
  if (!length) {
    return p;
  }
  const ValueSheet& sheet = context().sheet;
  p.record = newRecord(shape::kLine)
                 .addNumberText(sheet.text(Field::変換down座標x))
                 .addNumberText(sheet.text(Field::変換down座標y))
                 .addNumberText(sheet.text(Field::変換up座標x))
                 .addNumberText(sheet.text(Field::変換up座標y))
                 .addNumber(*length);
  return p;
}

}  // namespace koordel

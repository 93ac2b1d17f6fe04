#include "CircleTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan CircleTool::plan(bool sending) const {
  Plan p;
  const QString purpose = u"円を描けません"_s;
  const std::optional<Ends> e = ends(purpose, p.error);
  if (!e) {
    return p;
  }
  const std::optional<double> drawn = hundredths(std::hypot(e->xd - e->xu, e->yd - e->yu), p.error);
  if (!drawn || !withinReach({e->xd - *drawn, e->xd + *drawn, e->yd - *drawn, e->yd + *drawn},
                             purpose, p.error)) {
    return p;
  }
  const double radius = static_cast<float>(*drawn);
  p.draw = [centre = e->press(), radius](DrawingSurface& surface, const QColor& colour) {
    surface.drawCircle(centre, radius, colour);
  };
  if (!sending) {
    return p;
  }
  const auto k = coefficients(u"円の半径を計算できません"_s, p.error);
  if (!k) {
    return p;
  }
  const auto [kx, ky] = *k;
  const Ends s = straightened(*e);
  const double dx = kx * s.xd - kx * s.xu;
  const double dy = ky * s.yd - ky * s.yu;
  const std::optional<double> circleRadius = hundredths(std::sqrt(dx * dx + dy * dy), p.error);
  if (!circleRadius) {
    return p;
  }
  const ValueSheet& sheet = context().sheet;
  p.record = newRecord(shape::kCircle)
                 .addNumberText(sheet.text(Field::変換down座標x))
                 .addNumberText(sheet.text(Field::変換down座標y))
                 .addNumber(*circleRadius);
  return p;
}

}  // namespace koordel

#include "CircleTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan CircleTool::plan(bool sending) const {
  Plan p;
  const QString drawing = u"円を描けません"_s;
  std::optional<double> xd, yd, xu, yu;
  if (!(xd = number(Field::down座標x, drawing, p.error)) ||
      !(yd = number(Field::down座標y, drawing, p.error)) ||
      !(xu = number(Field::up座標x, drawing, p.error)) ||
      !(yu = number(Field::up座標y, drawing, p.error))) {
    return p;
  }
  const std::optional<double> drawn = hundredths(std::hypot(*xd - *xu, *yd - *yu), p.error);
  if (!drawn) {
    return p;
  }
  const QPointF centre(static_cast<float>(*xd), static_cast<float>(*yd));
  const double radius = static_cast<float>(*drawn);
  p.draw = [centre, radius](DrawingSurface& surface, const QColor& colour) {
    surface.drawCircle(centre, radius, colour);
  };
  if (!sending) {
    return p;
  }
  const QString measuring = u"円の半径を計算できません"_s;
  std::optional<double> kx, ky;
  if (!(kx = number(Field::x軸係数, measuring, p.error)) ||
      !(ky = number(Field::Y軸係数, measuring, p.error))) {
    return p;
  }
  const double dx = *kx * *xd - *kx * *xu;
  const double dy = *ky * *yd - *ky * *yu;
  const std::optional<double> circleRadius = hundredths(std::sqrt(dx * dx + dy * dy), p.error);
  if (!circleRadius) {
    return p;
  }
  const ValueSheet& sheet = context().sheet;
  p.record = newRecord(shape::kCircle)
                 .addText(sheet.text(Field::変換down座標x))
                 .addText(sheet.text(Field::変換down座標y))
                 .addNumber(*circleRadius);
  return p;
}

}  // namespace koordel

#include "LineTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan LineTool::plan(bool sending) const {
  Plan p;
  const QString drawing = u"線を描けません"_s;
  std::optional<double> xs, ys, xe, ye;
  if (!(xs = number(Field::down座標x, drawing, p.error)) ||
      !(ys = number(Field::down座標y, drawing, p.error)) ||
      !(xe = number(Field::up座標x, drawing, p.error)) ||
      !(ye = number(Field::up座標y, drawing, p.error))) {
    return p;
  }
  const QPointF from(static_cast<float>(*xs), static_cast<float>(*ys));
  const QPointF to(static_cast<float>(*xe), static_cast<float>(*ye));
  p.draw = [from, to](DrawingSurface& surface, const QColor& colour) {
    surface.drawLine(from, to, colour);
  };
  if (!sending) {
    return p;
  }
  const QString measuring = u"線の長さを計算できません"_s;
  std::optional<double> kx, ky;
  if (!(kx = number(Field::x軸係数, measuring, p.error)) ||
      !(ky = number(Field::Y軸係数, measuring, p.error))) {
    return p;
  }
  // Each product first, then the difference: the reference point plays no
  // part in a length.
  const double dx = *xs * *kx - *xe * *kx;
  const double dy = *ys * *ky - *ye * *ky;
  const std::optional<double> length = hundredths(std::sqrt(dx * dx + dy * dy), p.error);
  if (!length) {
    return p;
  }
  const ValueSheet& sheet = context().sheet;
  p.record = newRecord(shape::kLine)
                 .addText(sheet.text(Field::変換down座標x))
                 .addText(sheet.text(Field::変換down座標y))
                 .addText(sheet.text(Field::変換up座標x))
                 .addText(sheet.text(Field::変換up座標y))
                 .addNumber(*length);
  return p;
}

}  // namespace koordel

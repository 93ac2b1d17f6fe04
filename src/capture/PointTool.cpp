#include "PointTool.h"

#include "DrawingSurface.h"
#include "LineStyle.h"
#include "Selections.h"
#include "ValueSheet.h"

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan PointTool::plan(bool sending) const {
  Plan p;
  const QString purpose = u"点を描けません"_s;
  const auto x = number(Field::up座標x, purpose, p.error);
  const auto y = x ? number(Field::up座標y, purpose, p.error) : std::nullopt;
  if (!y) {
    return p;
  }
  const double radius = context().style.pointSize();
  if (radius < 0) {
    p.error =
        u"点の描画時の円の大きさ「%1」では描けません。\n"
        u"線種設定で 0 以上の数を入れてください。"_s.arg(context().style.pointSizeText);
    return p;
  }
  if (!withinReach({*x - radius, *x + radius, *y - radius, *y + radius}, purpose, p.error)) {
    return p;
  }
  const QPointF centre(static_cast<float>(*x), static_cast<float>(*y));
  p.draw = [centre, radius](DrawingSurface& surface, const QColor& colour) {
    surface.drawCircle(centre, radius, colour);
  };
  if (sending) {
    const ValueSheet& sheet = context().sheet;
    p.record = newRecord(shape::kPoint)
                   .addNumberText(sheet.text(Field::変換up座標x))
                   .addNumberText(sheet.text(Field::変換up座標y));
  }
  return p;
}

}  // namespace koordel

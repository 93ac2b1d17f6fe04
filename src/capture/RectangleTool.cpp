#include "RectangleTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan RectangleTool::plan(bool sending) const {
  Plan p;
  const QString purpose = u"四角を描けません"_s;
  const std::optional<Ends> e = ends(purpose, p.error);
  if (!e || !withinReach({e->xd, e->yd, e->xu, e->yu}, purpose, p.error)) {
    return p;
  }
  p.draw = [press = e->press(), release = e->release()](DrawingSurface& surface,
                                                        const QColor& colour) {
    surface.drawBox(press, release, colour);
  };
  if (sending) {
    const ValueSheet& sheet = context().sheet;
    const QString& x1 = sheet.text(Field::変換down座標x);
    const QString& y1 = sheet.text(Field::変換down座標y);
    const QString& x2 = sheet.text(Field::変換up座標x);
    const QString& y2 = sheet.text(Field::変換up座標y);
    p.record = newRecord(shape::kRectangle);
    p.record->addNumberText(x1).addNumberText(y1).addNumberText(x1).addNumberText(y2);
    p.record->addNumberText(x2).addNumberText(y2).addNumberText(x2).addNumberText(y1);
  }
  return p;
}

}  // namespace koordel

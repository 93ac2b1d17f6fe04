#include "RectangleTool.h"

#include "DrawingSurface.h"
#include "Selections.h"
#include "ValueSheet.h"

using namespace Qt::StringLiterals;

namespace koordel {

ShapeTool::Plan RectangleTool::plan(bool sending) const {
  Plan p;
  const std::optional<Ends> e = ends(u"四角を描けません"_s, p.error);
  if (!e) {
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
    p.record->addText(x1).addText(y1).addText(x1).addText(y2);
    p.record->addText(x2).addText(y2).addText(x2).addText(y1);
  }
  return p;
}

}  // namespace koordel

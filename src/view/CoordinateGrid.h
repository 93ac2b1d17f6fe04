#pragma once

#include <QLineF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <vector>

namespace koordel {

class CanvasWidget;
class Conversion;
class ValueSheet;

namespace grid {

// The smallest round value (1, 2 or 5 times a power of ten) of at least
// `least`; 0 when there is none.
double roundStep(double least);

// One line of the grid, in the picture area's pixels, and its value where it
// meets the area's edge: the top for lines of equal x, the left for lines of
// equal y. A line that does not reach its edge (near a corner, when the axes
// are turned) goes unnamed.
struct Line {
  QLineF line;
  bool equalX = true;
  double value = 0;
  QString label;    // empty when unnamed
  QPointF labelAt;  // the line's end at its edge
};

struct Plan {
  double stepX = 0;  // user units between lines of equal x; 0: none drawn
  double stepY = 0;
  std::vector<Line> lines;
};

// The lines at round values of the converted coordinates, 50 to 150 screen
// pixels apart, over `shown` (the part of the area the picture covers), for
// a canvas whose corner lies at `canvasAt` in the area at `zoom`.
Plan plan(const Conversion& conversion, const QRectF& shown, QPointF canvasAt, double zoom);

}  // namespace grid

// 座標格子: lines at round values of the converted coordinates over the
// picture, with their values at the picture area's edges, so that whether a
// calibration fits shows at a glance. It lies over the area and never enters
// the picture, its drawings, undo or a record.
class CoordinateGrid : public QWidget {
  Q_OBJECT

 public:
  CoordinateGrid(const ValueSheet& sheet, CanvasWidget& canvas, QWidget* area);

  const grid::Plan& currentPlan() const { return m_plan; }
  // Paints the grid's part within `exposed` (area pixels).
  void paint(QPainter& painter, const QRect& exposed) const;

  // The lines anew, after the calibration, zoom or scrolling changed.
  void refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const ValueSheet& m_sheet;
  CanvasWidget& m_canvas;
  grid::Plan m_plan;
};

}  // namespace koordel

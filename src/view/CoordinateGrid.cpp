#include "CoordinateGrid.h"

#include "CanvasWidget.h"
#include "Conversion.h"
#include "Twips.h"
#include "ValueSheet.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVarLengthArray>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {
namespace grid {
namespace {

// Lines stand 50 to 150 screen pixels apart: the round steps go up by at most
// 2.5 times, so the smallest of at least 50 pixels is under 125.
constexpr double kFewestPixels = 50;
// More lines than any screen holds at 50 pixels apart: a guard, not a limit.
constexpr double kMostLines = 2000;

// `line` cut to `rect` (Liang and Barsky); false when none of it is inside.
bool clip(QLineF& line, const QRectF& rect) {
  const double dx = line.dx(), dy = line.dy();
  double t0 = 0, t1 = 1;
  const std::array<std::pair<double, double>, 4> sides = {{
      {-dx, line.x1() - rect.left()},
      {dx, rect.right() - line.x1()},
      {-dy, line.y1() - rect.top()},
      {dy, rect.bottom() - line.y1()},
  }};
  for (const auto& [p, q] : sides) {
    if (p == 0) {
      if (q < 0) {
        return false;
      }
      continue;
    }
    const double t = q / p;
    if (p < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) {
      return false;
    }
  }
  line = QLineF(line.pointAt(t0), line.pointAt(t1));
  return true;
}

}  // namespace

double roundStep(double least) {
  if (!(least > 0) || !std::isfinite(least)) {
    return 0;
  }
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  for (double times : {1.0, 2.0, 5.0, 10.0}) {
    // A hair of leeway: 10^floor(log10(x)) may come out a rounding below x.
    if (times * power >= least * (1 - 1e-12)) {
      return times * power;
    }
  }
  return 10 * power;
}

Plan plan(const Conversion& conversion, const QRectF& shown, QPointF canvasAt, double zoom) {
  Plan p;
  if (shown.isEmpty() || !(zoom > 0)) {
    return p;
  }
  const double twipsPerPixel = kTwipsPerPixel / zoom;
  // The range of values the shown part covers: at its corners, since a
  // turn of the axes may put the extremes at any of them.
  double low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
  for (const QPointF corner :
       {shown.topLeft(), shown.topRight(), shown.bottomLeft(), shown.bottomRight()}) {
    const QPointF user = conversion.toUser((corner - canvasAt) * twipsPerPixel);
    if (!std::isfinite(user.x()) || !std::isfinite(user.y())) {
      return p;
    }
    low[0] = std::min(low[0], user.x());
    high[0] = std::max(high[0], user.x());
    low[1] = std::min(low[1], user.y());
    high[1] = std::max(high[1], user.y());
  }
  const auto axis = [&](int along, double coefficient) -> double {
    // One user unit is 1/|k| twips, so this many screen pixels.
    const double pixelsPerUnit = 1 / (std::abs(coefficient) * twipsPerPixel);
    const double step = roundStep(kFewestPixels / pixelsPerUnit);
    if (step == 0) {
      return 0;
    }
    const double first = std::ceil(low[along] / step);
    const double last = std::floor(high[along] / step);
    if (!(last - first < kMostLines)) {
      return 0;
    }
    const int decimals = std::max(0, -int(std::floor(std::log10(step) + 1e-9)));
    const int other = 1 - along;
    // Counted, not stepped: far from 0 (a reference of 1E20), adding 1 to
    // the multiple leaves it as it was.
    double previous = NAN;
    for (int i = 0; i <= int(last - first); ++i) {
      const double n = first + i;
      const double value = n == 0 ? 0.0 : n * step;
      if (value == previous) {
        continue;
      }
      previous = value;
      QPointF from, to;
      from = to = along == 0 ? QPointF(value, 0) : QPointF(0, value);
      (along == 0 ? from.ry() : from.rx()) = low[other];
      (along == 0 ? to.ry() : to.rx()) = high[other];
      const std::optional<QPointF> a = conversion.toTwips(from);
      const std::optional<QPointF> b = conversion.toTwips(to);
      if (!a || !b) {
        return 0;
      }
      QLineF line(*a / twipsPerPixel + canvasAt, *b / twipsPerPixel + canvasAt);
      if (!clip(line, shown)) {
        continue;
      }
      Line l;
      l.line = line;
      l.equalX = along == 0;
      l.value = value;
      // Lines of equal x are named at the top, those of equal y at the left.
      const bool firstEnd = l.equalX ? line.y1() <= line.y2() : line.x1() <= line.x2();
      l.labelAt = firstEnd ? line.p1() : line.p2();
      const double offEdge = l.equalX ? l.labelAt.y() - shown.top() : l.labelAt.x() - shown.left();
      if (offEdge < 0.5) {
        l.label = QString::number(value, 'f', decimals);
      }
      p.lines.push_back(std::move(l));
    }
    return step;
  };
  p.stepX = axis(0, conversion.coefficientX());
  p.stepY = axis(1, conversion.coefficientY());
  return p;
}

}  // namespace grid

namespace {

// Stands out from black line work on white paper, and from white on black.
const QColor kInk(225, 0, 160);
const QColor kLabelGround(255, 255, 255, 215);

// Where a line's value is written: inside the shown part, at its edge.
QRect labelBox(const grid::Line& line, const QFontMetrics& metrics, const QRect& shown) {
  const QSize size(metrics.horizontalAdvance(line.label) + 6, metrics.height() + 2);
  QPoint at = line.labelAt.toPoint();
  if (line.equalX) {
    at -= QPoint(size.width() / 2, 0);
  } else {
    at -= QPoint(0, size.height() / 2);
  }
  QRect box(at, size);
  box.moveLeft(
      std::clamp(box.left(), shown.left(), std::max(shown.left(), shown.right() - size.width())));
  box.moveTop(
      std::clamp(box.top(), shown.top(), std::max(shown.top(), shown.bottom() - size.height())));
  return box;
}

QString stepText(double step, const QString& unit) {
  return unit.isEmpty() ? QString::number(step, 'g', 15)
                        : QString::number(step, 'g', 15) + u' ' + unit;
}

}  // namespace

CoordinateGrid::CoordinateGrid(const ValueSheet& sheet, CanvasWidget& canvas, QWidget* area)
    : QWidget(area), m_sheet(sheet), m_canvas(canvas) {
  setObjectName(u"座標格子"_s);
  setAccessibleName(u"座標格子"_s);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  QFont small = font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
  setFont(small);
  canvas.installEventFilter(this);
  area->installEventFilter(this);
  connect(&sheet, &ValueSheet::changed, this, [this](Field f) {
    switch (rowOf(f)) {
      case rowOf(Field::基準値X):
      case rowOf(Field::指定基準X):
      case rowOf(Field::x軸係数):
      case rowOf(Field::x軸単位):
        refresh();
        break;
      default:
        break;
    }
  });
  connect(&sheet, &ValueSheet::tiltChanged, this, &CoordinateGrid::refresh);
  hide();
}

void CoordinateGrid::refresh() {
  if (isHidden()) {
    return;
  }
  QWidget* area = parentWidget();
  if (geometry() != area->rect()) {
    setGeometry(area->rect());
  }
  const QRect shown = area->rect().intersected(m_canvas.geometry());
  m_plan = grid::plan(Conversion(m_sheet), QRectF(shown).adjusted(0, 0, -1, -1), m_canvas.pos(),
                      m_canvas.zoom());
  // What the labels say, for assistive technology.
  QStringList told;
  for (bool equalX : {true, false}) {
    const double step = equalX ? m_plan.stepX : m_plan.stepY;
    const QString axis = equalX ? u"X"_s : u"Y"_s;
    QStringList values;
    for (const grid::Line& line : m_plan.lines) {
      if (line.equalX == equalX && !line.label.isEmpty()) {
        values << line.label;
      }
    }
    if (step == 0 || values.isEmpty()) {
      continue;
    }
    const QString unit = m_sheet.text(equalX ? Field::x軸単位 : Field::Y軸単位);
    told << u"%1 %2 ごと（%3 から %4）"_s.arg(axis, stepText(step, unit), values.first(),
                                              values.last());
  }
  setAccessibleDescription(told.isEmpty() ? u"線なし"_s : told.join(u"、"_s));
  update();
}

void CoordinateGrid::paint(QPainter& painter, const QRect& exposed) const {
  const QRect shown = rect().intersected(m_canvas.geometry());
  // Thin and hard-edged even when turned: smoothing the lines would cost
  // more than the rest of the grid together.
  painter.setPen(QPen(kInk, 0));
  QVarLengthArray<QLineF, 128> lines;
  for (const grid::Line& line : m_plan.lines) {
    const QRectF reach = QRectF(line.line.p1(), line.line.p2()).normalized().adjusted(-1, -1, 1, 1);
    if (reach.intersects(exposed)) {
      lines.append(line.line);
    }
  }
  painter.drawLines(lines.constData(), int(lines.size()));
  const QFontMetrics metrics(font());
  painter.setFont(font());
  // The values of equal y start below the row of those of equal x.
  const int belowTop = shown.top() + metrics.height() + 2;
  for (const grid::Line& line : m_plan.lines) {
    if (line.label.isEmpty()) {
      continue;
    }
    const QRect box = labelBox(line, metrics, shown);
    if (!box.intersects(exposed) || (!line.equalX && box.top() < belowTop)) {
      continue;
    }
    painter.fillRect(box, kLabelGround);
    painter.drawText(box, Qt::AlignCenter, line.label);
  }
}

void CoordinateGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  paint(painter, event->rect());
}

bool CoordinateGrid::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
      if (watched == &m_canvas || watched == parentWidget()) {
        refresh();
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace koordel

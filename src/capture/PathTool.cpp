#include "PathTool.h"

#include "Conversion.h"
#include "Crossing.h"
#include "DrawingSurface.h"
#include "GestureTracker.h"
#include "LineStyle.h"
#include "Measures.h"
#include "NumberText.h"
#include "Selections.h"
#include "Sketch.h"
#include "ValueSheet.h"

#include <cmath>
#include <cstring>
#include <span>
#include <utility>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// How near the first vertex, in screen pixels, a click closes a polygon.
constexpr double kCloseReachPixels = 5;

double cross(QPointF a, QPointF b) {
  return a.x() * b.y() - a.y() * b.x();
}

RecordField measureField(double value) {
  return RecordField::ofNumberText(twoDecimalText(value));
}

}  // namespace

PathTool::PathTool(const ToolContext& context, Kind kind, Sketch& sketch)
    : ShapeTool(context), m_kind(kind), m_sketch(sketch) {
  clear();
}

const QString& PathTool::keyword() const {
  switch (m_kind) {
    case Kind::Polyline:
      return shape::kPolyline;
    case Kind::Polygon:
      return shape::kPolygon;
    case Kind::Angle:
      break;
  }
  return shape::kAngle;
}

std::optional<QString> PathTool::release(const PointerEvent& e) {
  // The first click of a double click placed its vertex; the second ends the
  // shape, and after a shape has ended it starts none.
  if (e.secondClick) {
    return building() ? finish() : std::nullopt;
  }
  QString error;
  const QString purpose = u"%1の頂点を置けません"_s.arg(keyword());
  const std::optional<double> x = number(Field::up座標x, purpose, error);
  const std::optional<double> y = x ? number(Field::up座標y, purpose, error) : std::nullopt;
  if (!y || !withinReach({*x, *y}, purpose, error)) {
    return error;
  }
  const QPointF at(*x, *y);
  if (!m_vertices.empty() && at == m_vertices.back()) {
    return std::nullopt;
  }
  if (m_kind == Kind::Polygon && m_vertices.size() >= 3) {
    const QPointF off = at - m_vertices.front();
    if (std::hypot(off.x(), off.y()) <= kCloseReachPixels * m_sketch.twipsPerScreenPixel()) {
      return finish();
    }
  }
  if (m_vertices.size() >= kMostVertices) {
    m_sketch.tell(
        u"%1の頂点は %2 点までです。この点は置いていません。"_s.arg(keyword()).arg(kMostVertices));
    return std::nullopt;
  }
  const ValueSheet& sheet = context().sheet;
  const QStringList calibrated = calibration();
  if (!m_vertices.empty() && calibrated != m_calibration) {
    m_recalibrated = true;
  }
  m_calibration = calibrated;
  add(at, RecordField::ofNumberText(sheet.text(Field::変換up座標x)),
      RecordField::ofNumberText(sheet.text(Field::変換up座標y)));
  if (m_kind == Kind::Angle && m_vertices.size() == 3) {
    return finish();
  }
  showSketch();
  m_sketch.tell(measureText(nullptr));
  return std::nullopt;
}

void PathTool::follow(const PointerEvent& e) {
  if (!building()) {
    return;
  }
  const QPointF at(e.x, e.y);
  m_sketch.follow(at);
  m_sketch.tell(measureText(&at));
}

void PathTool::add(QPointF twips, RecordField x, RecordField y) {
  if (m_vertices.size() >= 2) {
    m_twiceArea += cross(m_vertices.back() - m_vertices.front(), twips - m_vertices.front());
  }
  m_vertices.push_back(twips);
  m_fields.append(std::move(x));
  m_fields.append(std::move(y));
}

void PathTool::removeLastVertex() {
  if (!building()) {
    return;
  }
  m_vertices.pop_back();
  m_fields.resize(m_fields.size() - 2);
  // Recounted rather than taken back term by term: no rounding piles up.
  m_length = {};
  m_twiceArea = 0;
  for (std::size_t i = 2; i < m_vertices.size(); ++i) {
    m_twiceArea +=
        cross(m_vertices[i - 1] - m_vertices.front(), m_vertices[i] - m_vertices.front());
  }
  if (!building()) {
    clear();
    m_sketch.tell(u"%1の頂点をすべて戻しました。"_s.arg(keyword()));
    return;
  }
  showSketch();
  m_sketch.tell(measureText(nullptr));
}

void PathTool::abandon(const QString& why) {
  if (!building()) {
    return;
  }
  clear();
  m_sketch.tell(why);
}

void PathTool::clear() {
  m_vertices.clear();
  m_fields = {RecordField::ofText(keyword()), RecordField::ofText({})};
  m_twiceArea = 0;
  m_length = {};
  m_calibration.clear();
  m_recalibrated = false;
  m_sketch.showVertices({}, {});
}

void PathTool::showSketch() {
  const LineStyle& style = context().style;
  m_sketch.showVertices(m_vertices, {style.drawWidth().value_or(1), style.drawStyle,
                                     style.lineColour, m_kind == Kind::Polygon});
}

std::optional<QString> PathTool::finish() {
  if (!building()) {
    return std::nullopt;
  }
  if (m_vertices.size() < fewest()) {
    m_sketch.tell(
        u"%1には %2 点以上が要ります。まだ記録していません。"_s.arg(keyword()).arg(fewest()));
    return std::nullopt;
  }
  if (m_kind == Kind::Polygon && crossesItself(m_vertices)) {
    m_sketch.tell(
        u"多角形の辺が交わっているため、面積が一つに決まりません。記録していません。"
        u"Backspace で頂点を戻せます。"_s);
    return std::nullopt;
  }
  if (m_recalibrated || calibration() != m_calibration) {
    if (auto overflow = convertAgain()) {
      return overflow;
    }
  }
  const QString measured = measureText(nullptr);
  if (auto failure = run()) {
    if (m_fields.size() != 2 + 2 * qsizetype(m_vertices.size())) {
      // The record that took them was not sent: made again, as they were.
      convertAgain();
    }
    if (m_kind == Kind::Angle) {
      // Its third click ended it: that click can be made again.
      removeLastVertex();
    }
    return failure;
  }
  clear();
  m_sketch.tell(measured);
  return std::nullopt;
}

std::optional<QString> PathTool::convertAgain() {
  const ValueSheet& sheet = context().sheet;
  QList<RecordField> fields;
  fields.reserve(2 + 2 * qsizetype(m_vertices.size()));
  fields << RecordField::ofText(keyword()) << RecordField::ofText({});
  for (const QPointF& v : m_vertices) {
    const auto x = convertXText(sheet, float(v.x()), float(v.y()));
    const auto y = convertYText(sheet, float(v.x()), float(v.y()));
    if (!x || !y) {
      return GestureTracker::overflowMessage();
    }
    fields << RecordField::ofNumberText(*x) << RecordField::ofNumberText(*y);
  }
  m_fields = std::move(fields);
  m_calibration = calibration();
  m_recalibrated = false;
  return std::nullopt;
}

std::vector<QPointF> PathTool::straightVertices() const {
  const ValueSheet& sheet = context().sheet;
  std::vector<QPointF> straight;
  straight.reserve(m_vertices.size());
  for (const QPointF& v : m_vertices) {
    straight.push_back(straightenedAboutCorner(sheet, v));
  }
  return straight;
}

QStringList PathTool::calibration() const {
  const ValueSheet& sheet = context().sheet;
  return {sheet.text(Field::基準値X),
          sheet.text(Field::x軸係数),
          sheet.text(Field::指定基準X),
          sheet.text(Field::基準値Y),
          sheet.text(Field::Y軸係数),
          sheet.text(Field::指定基準Y),
          QString::number(sheet.tilt(), 'g', 17)};
}

ShapeTool::Plan PathTool::plan(bool sending) const {
  Plan p;
  if (m_vertices.size() < fewest()) {
    p.error = u"%1には %2 点以上が要ります。"_s.arg(keyword()).arg(fewest());
    return p;
  }
  // Drawn within the run that planned it, while the vertices are still here.
  p.draw = [vertices = std::span<const QPointF>(m_vertices), polygon = m_kind == Kind::Polygon](
               DrawingSurface& surface, const QColor& colour) {
    if (polygon) {
      surface.drawPolygon(vertices, colour);
    } else {
      surface.drawPolyline(vertices, colour);
    }
  };
  if (!sending) {
    return p;
  }
  const auto k = coefficients(u"%1を測れません"_s.arg(keyword()), p.error);
  if (!k) {
    return p;
  }
  const auto [kx, ky] = *k;
  // A straight scan's vertices are measured where they are, uncopied.
  std::vector<QPointF> turned;
  if (context().sheet.tilt() != 0) {
    turned = straightVertices();
  }
  const std::span<const QPointF> straight = turned.empty() ? m_vertices : turned;
  std::vector<double> measures;
  const auto measure = [&](double value) {
    const std::optional<double> rounded = hundredths(value, p.error);
    if (rounded) {
      measures.push_back(*rounded);
    }
    return rounded.has_value();
  };
  switch (m_kind) {
    case Kind::Polyline:
      if (!measure(pathLength(straight, kx, ky))) {
        return p;
      }
      break;
    case Kind::Polygon:
      if (!measure(perimeter(straight, kx, ky)) || !measure(enclosedArea(straight, kx, ky))) {
        return p;
      }
      break;
    case Kind::Angle: {
      const auto angle = angleDegrees(straight[0], straight[1], straight[2], kx, ky);
      if (!angle) {
        p.error = u"角度を測れません。腕の長さが 0 です（軸係数が 0 ではありませんか）。"_s;
        return p;
      }
      if (!measure(*angle)) {
        return p;
      }
      break;
    }
  }
  const Record head = newRecord(keyword());
  m_fields.reserve(m_fields.size() + qsizetype(measures.size()));
  Record record(head.fields().at(0).text, head.fields().at(1).text, std::exchange(m_fields, {}));
  for (const double value : measures) {
    record.add(measureField(value));
  }
  p.record = std::move(record);
  return p;
}

double PathTool::placedLength(double kx, double ky) const {
  // Bitwise equal coefficients, NaN included, keep what was summed.
  const ValueSheet& sheet = context().sheet;
  const double tilt = sheet.tilt();
  if (std::memcmp(&kx, &m_length.kx, sizeof kx) != 0 ||
      std::memcmp(&ky, &m_length.ky, sizeof ky) != 0 || tilt != m_length.tilt ||
      m_length.vertices > m_vertices.size()) {
    m_length = {kx, ky, tilt, 0, 0};
  }
  for (std::size_t i = std::max<std::size_t>(m_length.vertices, 1); i < m_vertices.size(); ++i) {
    m_length.total += edgeLength(straightenedAboutCorner(sheet, m_vertices[i - 1]),
                                 straightenedAboutCorner(sheet, m_vertices[i]), kx, ky);
  }
  m_length.vertices = m_vertices.size();
  return m_length.total;
}

QString PathTool::measureText(const QPointF* pointer) const {
  const ValueSheet& sheet = context().sheet;
  const double kx = sheet.number(Field::x軸係数);
  const double ky = sheet.number(Field::Y軸係数);
  const QString& xUnit = sheet.text(Field::x軸単位);
  const QString unit = xUnit == sheet.text(Field::Y軸単位) ? xUnit : QString();
  const auto shown = [](double value, const QString& suffix) {
    const QString number =
        std::isfinite(value) ? twoDecimalText(roundToHundredths(value)) : u"オーバーフロー"_s;
    return suffix.isEmpty() ? number : number + u' ' + suffix;
  };
  const std::size_t count = m_vertices.size();
  const std::size_t reached = count + (pointer ? 1 : 0);
  double length = placedLength(kx, ky);
  const auto edge = [&](QPointF from, QPointF to) {
    return edgeLength(straightenedAboutCorner(sheet, from), straightenedAboutCorner(sheet, to), kx,
                      ky);
  };
  if (pointer && !m_vertices.empty()) {
    length += edge(m_vertices.back(), *pointer);
  }
  switch (m_kind) {
    case Kind::Polyline:
      return u"折れ線 %1 点　長さ %2"_s.arg(count).arg(shown(length, unit));
    case Kind::Polygon: {
      double twice = m_twiceArea;
      if (pointer && m_vertices.size() >= 2) {
        twice += cross(m_vertices.back() - m_vertices.front(), *pointer - m_vertices.front());
      }
      const double area = std::abs(twice) / 2 * std::abs(kx * ky);
      const QPointF& last = pointer ? *pointer : m_vertices.back();
      const double around = length + edge(last, m_vertices.front());
      return u"多角形 %1 点　周長 %2　面積 %3"_s.arg(count)
          .arg(shown(around, unit))
          .arg(shown(area, unit.isEmpty() ? unit : unit + u"²"_s));
    }
    case Kind::Angle:
      break;
  }
  if (count < 2) {
    return u"角度: 頂点をクリックしてください"_s;
  }
  if (reached < 3) {
    return u"角度: 長さ %1。他方の端をクリックしてください"_s.arg(shown(length, unit));
  }
  const QPointF& otherEnd = pointer && m_vertices.size() == 2 ? *pointer : m_vertices[2];
  const auto angle = angleDegrees(straightenedAboutCorner(sheet, m_vertices[0]),
                                  straightenedAboutCorner(sheet, m_vertices[1]),
                                  straightenedAboutCorner(sheet, otherEnd), kx, ky);
  return u"角度 %1°"_s.arg(angle ? twoDecimalText(roundToHundredths(*angle)) : u"―"_s);
}

}  // namespace koordel

#include "ShapeSketch.h"

#include "PictureCanvas.h"
#include "Readout.h"
#include "Twips.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <chrono>

namespace koordel {

ShapeSketch::ShapeSketch(QWidget& canvas, std::function<double()> zoom, Readout& readout)
    : m_canvas(canvas), m_zoom(std::move(zoom)), m_readout(readout) {
  m_fade.setSingleShot(true);
  m_fade.setInterval(std::chrono::seconds(10));
  m_fade.callOnTimeout([this] { tell({}); });
}

QRect ShapeSketch::reach(std::initializer_list<QPointF> imagePoints) const {
  if (imagePoints.size() == 0) {
    return {};
  }
  const double zoom = m_zoom();
  double left = imagePoints.begin()->x(), right = left;
  double top = imagePoints.begin()->y(), bottom = top;
  for (const QPointF& p : imagePoints) {
    left = std::min(left, p.x());
    right = std::max(right, p.x());
    top = std::min(top, p.y());
    bottom = std::max(bottom, p.y());
  }
  const int margin = int(m_look.width * std::max(zoom, 1.0)) / 2 + 3;
  return QRectF(QPointF(left, top) * zoom, QPointF(right, bottom) * zoom)
      .toAlignedRect()
      .adjusted(-margin, -margin, margin, margin);
}

QRegion ShapeSketch::along(QPointF from, QPointF to) const {
  // In short pieces, so that a long slanting edge repaints a band along it
  // rather than the whole box it spans.
  const double zoom = m_zoom();
  const QPointF d = to - from;
  const int pieces = std::clamp(int(std::max(std::abs(d.x()), std::abs(d.y())) * zoom / 48), 1, 64);
  QRegion band;
  for (int i = 0; i < pieces; ++i) {
    band += reach({from + d * (double(i) / pieces), from + d * (double(i + 1) / pieces)});
  }
  return band;
}

QRegion ShapeSketch::looseEdges() const {
  if (m_vertices.isEmpty() || !m_pointer) {
    return {};
  }
  QRegion edges = along(m_vertices.constLast(), *m_pointer);
  if (m_look.closes) {
    edges += along(*m_pointer, m_vertices.constFirst());
  }
  return edges;
}

void ShapeSketch::showVertices(std::span<const QPointF> vertices, const SketchLook& look) {
  const auto n = qsizetype(vertices.size());
  const qsizetype was = m_vertices.size();
  // A vertex added or taken back changes only the edges at the sketch's
  // ends, and the rest need not be copied again; anything else (a new
  // shape, the sketch cleared, another look) repaints all of it.
  const bool stepped = std::abs(n - was) == 1 && n > 0 && was > 0 && look.width == m_look.width &&
                       look.drawStyle == m_look.drawStyle && look.colour == m_look.colour &&
                       look.closes == m_look.closes;
  QRegion changed = looseEdges();
  if (stepped) {
    if (n > was) {
      m_vertices.append(vertices.back() / kTwipsPerPixel);
    }
    const QPolygonF& longer = m_vertices;
    const qsizetype last = longer.size() - 1;
    changed += along(longer.at(std::max<qsizetype>(0, last - 1)), longer.at(last));
    changed += along(longer.at(last), longer.constFirst());
    if (n < was) {
      m_vertices.removeLast();
    }
  } else {
    const auto whole = [this](const QPolygonF& polygon) {
      const QRectF box = polygon.boundingRect();
      return polygon.isEmpty() ? QRect() : reach({box.topLeft(), box.bottomRight()});
    };
    changed += whole(m_vertices);
    QPolygonF placed;
    placed.reserve(n);
    for (const QPointF& v : vertices) {
      placed.append(v / kTwipsPerPixel);
    }
    m_vertices = std::move(placed);
    changed += whole(m_vertices);
  }
  m_look = look;
  if (m_vertices.isEmpty()) {
    m_pointer.reset();
  } else if (!m_pointer) {
    m_pointer = m_vertices.constLast();
  }
  changed += looseEdges();
  if (!changed.isEmpty()) {
    m_canvas.update(changed);
  }
}

void ShapeSketch::follow(QPointF pointer) {
  if (m_vertices.isEmpty()) {
    return;
  }
  const QRegion before = looseEdges();
  m_pointer = pointer / kTwipsPerPixel;
  m_canvas.update(before + looseEdges());
}

double ShapeSketch::twipsPerScreenPixel() const {
  return kTwipsPerPixel / m_zoom();
}

void ShapeSketch::tell(const QString& text) {
  if (m_readout.value() != text) {
    m_readout.setValue(text);
    m_readout.adjustSize();
  }
  m_readout.setVisible(!text.isEmpty());
  // While a shape is built its measure stays; once it is finished or
  // abandoned, the word on it goes after a while.
  if (m_vertices.isEmpty() && !text.isEmpty()) {
    m_fade.start();
  } else {
    m_fade.stop();
  }
}

void ShapeSketch::paint(QPainter& painter, const QRegion& exposed) const {
  if (m_vertices.isEmpty()) {
    return;
  }
  const double zoom = m_zoom();
  // As the shape will be drawn into the picture, magnified with it; a
  // cosmetic pen keeps it a pixel wide zoomed out.
  QPen pen = PictureCanvas::pen(m_look.width, m_look.drawStyle, m_look.colour);
  if (m_look.width * zoom < 1) {
    pen.setWidth(0);
  }
  painter.save();
  painter.setClipRegion(exposed);
  painter.scale(zoom, zoom);
  painter.setPen(pen);
  painter.drawPolyline(m_vertices);
  if (m_pointer) {
    painter.drawLine(m_vertices.constLast(), *m_pointer);
    if (m_look.closes && m_vertices.size() >= 2) {
      painter.drawLine(*m_pointer, m_vertices.constFirst());
    }
  }
  painter.restore();
}

}  // namespace koordel

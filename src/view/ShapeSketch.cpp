#include "ShapeSketch.h"

#include "PictureCanvas.h"
#include "Readout.h"
#include "Twips.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace koordel {

ShapeSketch::ShapeSketch(QWidget& canvas, std::function<double()> zoom, Readout& readout)
    : m_canvas(canvas), m_zoom(std::move(zoom)), m_readout(readout) {}

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

QRect ShapeSketch::looseEdges() const {
  if (m_vertices.isEmpty() || !m_pointer) {
    return {};
  }
  if (m_look.closes) {
    return reach({m_vertices.constLast(), *m_pointer, m_vertices.constFirst()});
  }
  return reach({m_vertices.constLast(), *m_pointer});
}

void ShapeSketch::showVertices(std::span<const QPointF> vertices, const SketchLook& look) {
  QPolygonF placed;
  placed.reserve(qsizetype(vertices.size()));
  for (const QPointF& v : vertices) {
    placed.append(v / kTwipsPerPixel);
  }
  // A vertex added or taken back changes the edges at the sketch's ends;
  // anything else (a new shape, the sketch cleared) repaints all of it.
  QRect changed = looseEdges();
  const qsizetype was = m_vertices.size();
  const bool grewOrShrank = std::abs(placed.size() - was) == 1 && look.closes == m_look.closes &&
                            placed.size() > 0 && was > 0;
  if (grewOrShrank) {
    const QPolygonF& longer = placed.size() > was ? placed : m_vertices;
    const qsizetype n = longer.size();
    changed |= reach({longer.at(n - 1), longer.at(std::max<qsizetype>(0, n - 2)),
                      longer.constFirst()});
  } else {
    changed |= m_vertices.isEmpty() ? QRect() : reach({m_vertices.boundingRect().topLeft(),
                                                       m_vertices.boundingRect().bottomRight()});
    changed |= placed.isEmpty()
                   ? QRect()
                   : reach({placed.boundingRect().topLeft(), placed.boundingRect().bottomRight()});
  }
  m_vertices = std::move(placed);
  m_look = look;
  if (m_vertices.isEmpty()) {
    m_pointer.reset();
  } else if (!m_pointer) {
    m_pointer = m_vertices.constLast();
  }
  changed |= looseEdges();
  if (!changed.isEmpty()) {
    m_canvas.update(changed);
  }
}

void ShapeSketch::follow(QPointF pointer) {
  if (m_vertices.isEmpty()) {
    return;
  }
  const QRect before = looseEdges();
  m_pointer = pointer / kTwipsPerPixel;
  m_canvas.update(before | looseEdges());
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
}

void ShapeSketch::paint(QPainter& painter, const QRect& exposed) const {
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
  painter.setClipRect(exposed);
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

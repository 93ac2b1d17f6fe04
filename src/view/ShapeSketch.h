#pragma once

#include "Sketch.h"

#include <QPolygonF>
#include <QRegion>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <optional>

class QPainter;
class QRect;
class QWidget;

namespace koordel {

class Readout;

// The shape being built, drawn over the canvas at the zoom shown, and its
// measure in a readout over the picture area. Only what changed is
// repainted: the loose edge as the pointer moves, a vertex's edges as it is
// placed.
class ShapeSketch : public Sketch {
 public:
  // `canvas` is repainted and its zoom read through `zoom`.
  ShapeSketch(QWidget& canvas, std::function<double()> zoom, Readout& readout);

  void showVertices(std::span<const QPointF> vertices, const SketchLook& look) override;
  void follow(QPointF pointer) override;
  double twipsPerScreenPixel() const override;
  void tell(const QString& text) override;

  // Paints the part of the sketch within `exposed` (canvas pixels).
  void paint(QPainter& painter, const QRegion& exposed) const;

 private:
  // Canvas pixels the edges from `vertex` to `a` (and `b`) cover, pen included.
  QRect reach(std::initializer_list<QPointF> imagePoints) const;
  // What an edge between two points (image pixels) covers on screen.
  QRegion along(QPointF from, QPointF to) const;
  // The loose edges: from the last vertex, and back to the first.
  QRegion looseEdges() const;

  QWidget& m_canvas;
  std::function<double()> m_zoom;
  Readout& m_readout;
  QPolygonF m_vertices;              // image pixels
  std::optional<QPointF> m_pointer;  // image pixels
  SketchLook m_look;
  // What became of a shape is told for a while, then the readout goes.
  QTimer m_fade;
};

}  // namespace koordel

#pragma once

#include <QColor>
#include <QPointF>
#include <QString>

#include <span>

namespace koordel {

// How a shape being built is outlined: as it will be drawn.
struct SketchLook {
  int width = 1;      // pixels of the picture
  int drawStyle = 0;  // the outline codes of the drawing surface
  QColor colour = Qt::black;
  // The loose end also runs back to the first vertex (a polygon).
  bool closes = false;
};

// A shape being built, shown over the picture until it is finished or
// abandoned: never drawn into the picture, never part of a record or undo.
// Positions are canvas twips.
class Sketch {
 public:
  virtual ~Sketch() = default;
  // The vertices placed so far; none hides the sketch.
  virtual void showVertices(std::span<const QPointF> vertices, const SketchLook& look) = 0;
  // The edge from the last vertex follows the pointer.
  virtual void follow(QPointF pointer) = 0;
  // How many twips one screen pixel spans at the zoom shown.
  virtual double twipsPerScreenPixel() const = 0;
  // The measure so far, or what became of the shape; empty hides it.
  virtual void tell(const QString& text) = 0;
};

}  // namespace koordel

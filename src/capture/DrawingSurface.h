#pragma once

#include <QColor>
#include <QPointF>

#include <memory>
#include <span>

namespace koordel {

// A drawing the surface can take back and do again.
class DrawnShape {
 public:
  virtual ~DrawnShape() = default;
  // The surface's pixels exactly as they were before it was drawn (drawings
  // made later are taken back first).
  virtual void undo() = 0;
  // Drawn again: the same pixels as the first time.
  virtual void redo() = 0;
  // What keeping it costs, in bytes.
  virtual qsizetype bytes() const = 0;
};

// What the capture tools draw on. Positions and radii are in twips; the draw
// width is in pixels. Width, styles and fill colour persist between drawings
// until they are set again, so a tool that sets only some of them draws with
// whatever the last tool left for the others.
class DrawingSurface {
 public:
  // Outline codes: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot,
  // 5 no outline, 6 solid kept inside the shape's geometric outline.
  static constexpr int kStyleCount = 7;
  // Interior codes: 0 solid, 1 none, 2 horizontal, 3 vertical, 4 diagonal
  // from upper left to lower right, 5 the other diagonal, 6 cross,
  // 7 diagonal cross. Patterns use the fill colour and leave the gaps as
  // they were.
  static constexpr int kFillCount = 8;
  static constexpr int kMaxDrawWidth = 32767;
  // How far from the canvas's corner, in twips either way, a shape may reach
  // (2^30 pixels): the toolkit's rasteriser silently draws nothing beyond
  // about 2^31 pixels, and a hand-edited settings file can hold positions
  // much further out than any picture.
  static constexpr double kReachTwips = 15.0 * (1 << 30);

  virtual ~DrawingSurface() = default;

  virtual void setDrawWidth(int pixels) = 0;
  virtual void setDrawStyle(int code) = 0;
  virtual void setFillStyle(int code) = 0;
  virtual void setFillColor(const QColor& colour) = 0;

  virtual void drawCircle(QPointF centre, double radius, const QColor& outline) = 0;
  virtual void drawLine(QPointF from, QPointF to, const QColor& colour) = 0;
  virtual void drawBox(QPointF corner, QPointF oppositeCorner, const QColor& outline) = 0;
  // Straight edges through the vertices in order, as lines are drawn.
  virtual void drawPolyline(std::span<const QPointF> vertices, const QColor& colour) {
    for (std::size_t i = 1; i < vertices.size(); ++i) {
      drawLine(vertices[i - 1], vertices[i], colour);
    }
  }
  // The same closed back to the first vertex, its inside filled as boxes are.
  virtual void drawPolygon(std::span<const QPointF> vertices, const QColor& outline) {
    drawPolyline(vertices, outline);
    if (vertices.size() > 2) {
      drawLine(vertices.back(), vertices.front(), outline);
    }
  }

  // Everything drawn from beginRecording() to endRecording() becomes one
  // shape that can be taken back; a surface that keeps no history gives none.
  virtual void beginRecording() {}
  virtual std::unique_ptr<DrawnShape> endRecording() { return nullptr; }
};

}  // namespace koordel

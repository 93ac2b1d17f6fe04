#pragma once

#include "DrawingSurface.h"
#include "Picture.h"
#include "TiledLayer.h"

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPolygonF;

namespace koordel {

// Picture1's contents: the loaded picture (a raster picture or a PDF page),
// or a blank surface before any picture, with the shapes drawn on it in the
// picture's own pixels.
class PictureCanvas : public DrawingSurface {
 public:
  explicit PictureCanvas(QSize blankSize);

  // Replaces the picture and wipes every drawing; the line style stays.
  void setPicture(QImage picture);
  void setPicture(std::shared_ptr<Picture> picture);
  // A picture and its drawings, set aside while a new picture is on trial
  // (it may turn out damaged half-way through decoding).
  struct Kept {
    std::shared_ptr<Picture> picture;
    TiledLayer layer;
    quint64 generation = 0;
  };
  // Replaces the picture as setPicture does, handing back the old one.
  Kept replacePicture(std::shared_ptr<Picture> picture);
  // Shows a picture set aside again, with its drawings.
  void bringBack(Kept kept);
  // The raster picture's pixels; null for a PDF page or no picture.
  const QImage& picture() const;
  // What is shown, if anything.
  Picture* shown() const { return m_shown.get(); }
  QSize size() const { return m_shown ? m_shown->size() : m_blankSize; }
  QRect rect() const { return {QPoint(0, 0), size()}; }

  // Called with the area a drawing changed, for a repaint of just that area.
  void setDamageHandler(std::function<void(const QRect&)> handler) {
    m_damage = std::move(handler);
  }

  // Paints the area `exposed` (canvas pixels) of picture and drawings.
  void paint(QPainter& painter, const QRect& exposed) const;
  // The same at `zoom` screen pixels per image pixel: `exposed` is in
  // screen pixels of the whole picture so magnified. Image pixels show as
  // crisp squares zoomed in, area-averaged zoomed out; zoomed out below a
  // half, what the pyramid does not hold yet shows as a plain grey.
  void paint(QPainter& painter, const QRect& exposed, double zoom) const;
  // The picture's size in screen pixels at `zoom`.
  QSize scaledSize(double zoom) const;

  // Waits for whatever the picture prepares in the background.
  void waitUntilReady() const {
    if (m_shown) {
      m_shown->waitUntilReady();
    }
  }
  // The same area as an image of its own.
  QImage composed(const QRect& area) const;

  const TiledLayer& layer() const { return m_layer; }
  int drawWidth() const { return m_width; }
  int drawStyle() const { return m_drawStyle; }
  int fillStyle() const { return m_fillStyle; }
  QColor fillColor() const { return m_fillColor; }

  void setDrawWidth(int pixels) override;
  void setDrawStyle(int code) override;
  void setFillStyle(int code) override;
  void setFillColor(const QColor& colour) override;
  void drawCircle(QPointF centre, double radius, const QColor& outline) override;
  void drawLine(QPointF from, QPointF to, const QColor& colour) override;
  void drawBox(QPointF corner, QPointF oppositeCorner, const QColor& outline) override;
  void drawPolyline(std::span<const QPointF> vertices, const QColor& colour) override;
  void drawPolygon(std::span<const QPointF> vertices, const QColor& outline) override;
  void beginRecording() override;
  // The pen a shape's outline is drawn with, for `width` pixels and outline
  // code `style`.
  static QPen pen(int width, int style, const QColor& colour);
  std::unique_ptr<DrawnShape> endRecording() override;

  // One drawing call: where, how, and what lay under it before.
  struct Stroke {
    QRect bounds;
    // Paints it again on the layer.
    std::function<void(TiledLayer&)> paint;
    TiledLayer::Saved before;
  };
  void restoreStroke(const Stroke& stroke);
  void repeatStroke(const Stroke& stroke);
  // Changes with every new picture: a shape of an earlier one is no more.
  quint64 generation() const { return m_generation; }

 private:
  void paintLayerScaled(QPainter& painter, const QRectF& image, double zoom) const;
  const QImage& reducedTile(const TiledLayer::TileView& tile, int level) const;
  QPen pen(const QColor& colour) const { return pen(m_width, m_drawStyle, colour); }
  QBrush brush() const;
  void draw(const QRectF& shapeBounds, const std::function<void(QPainter&)>& shape);
  // An outline without fill in a solid pen, drawn tile by tile along it.
  void drawAlong(const QPolygonF& path, bool closed, const QPen& pen);
  // The area `shapeBounds` covers, its pen included, cut to the picture.
  QRect reach(const QRectF& shapeBounds) const;
  // Draws with `paint` over `bounds`, kept for undo while recording.
  void stroke(const QRect& bounds, std::function<void(TiledLayer&)> paint);

  QSize m_blankSize;
  std::shared_ptr<Picture> m_shown;
  TiledLayer m_layer;
  quint64 m_generation = 0;
  std::optional<std::vector<Stroke>> m_recording;
  struct ReducedTile {
    quint64 version = 0;
    QImage image;
  };
  mutable QHash<QPair<quint64, int>, ReducedTile> m_reducedTiles;
  std::function<void(const QRect&)> m_damage;
  int m_width = 1;
  int m_drawStyle = 0;
  int m_fillStyle = 1;
  QColor m_fillColor = Qt::black;
};

}  // namespace koordel

#include "PictureCanvas.h"

#include "RasterPicture.h"
#include "Twips.h"
#include "Zoom.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace koordel {
namespace {

QPointF toPixels(QPointF twips) {
  return twips / kTwipsPerPixel;
}

}  // namespace

PictureCanvas::PictureCanvas(QSize blankSize) : m_blankSize(blankSize) {}

void PictureCanvas::setPicture(QImage picture) {
  setPicture(picture.isNull() ? nullptr : std::make_shared<RasterPicture>(std::move(picture)));
}

void PictureCanvas::setPicture(std::shared_ptr<Picture> picture) {
  ++m_generation;
  m_shown = std::move(picture);
  m_layer.clear();
  m_reducedTiles.clear();
}

PictureCanvas::Kept PictureCanvas::replacePicture(std::shared_ptr<Picture> picture) {
  Kept kept{std::move(m_shown), std::move(m_layer), m_generation};
  m_layer = TiledLayer();
  setPicture(std::move(picture));
  return kept;
}

void PictureCanvas::bringBack(Kept kept) {
  // Shapes drawn on the picture set aside are valid again; those on the one
  // it replaced are not (they go with it).
  m_generation = kept.generation;
  m_shown = std::move(kept.picture);
  m_layer = std::move(kept.layer);
  m_reducedTiles.clear();
}

const QImage& PictureCanvas::picture() const {
  static const QImage none;
  return m_shown ? m_shown->image() : none;
}

QSize PictureCanvas::scaledSize(double zoom) const {
  if (zoom == 1) {
    return size();
  }
  // Only screen pixels whose centres lie on the picture: each shows the
  // picture, none the background, and the last image pixel still shows.
  // No larger than a widget can be: the canvas never zooms a picture
  // further, and the conversion stays within int.
  const auto scaled = [zoom](int pixels) {
    const double screen = std::floor(pixels * zoom + 0.5 - 1e-9);
    if (!(screen >= 1)) {
      return 1;
    }
    return static_cast<int>(std::min(screen, double(zoom::kMostScreenPixels)));
  };
  return {scaled(size().width()), scaled(size().height())};
}

void PictureCanvas::paint(QPainter& painter, const QRect& exposed, double zoom) const {
  if (zoom == 1) {
    paint(painter, exposed);
    return;
  }
  const QRect area = exposed & QRect(QPoint(0, 0), scaledSize(zoom));
  if (area.isEmpty()) {
    return;
  }
  const auto inImage = [zoom](const QRect& r) {
    return QRectF(QPointF(r.topLeft()) / zoom, QSizeF(r.size()) / zoom);
  };
  painter.save();
  painter.setClipRect(area);
  painter.fillRect(area, Qt::white);
  if (m_shown) {
    m_shown->paint(painter, area, zoom);
  }
  paintLayerScaled(painter, inImage(area), zoom);
  painter.restore();
}

void PictureCanvas::paintLayerScaled(QPainter& painter, const QRectF& image, double zoom) const {
  const QRect area = image.toAlignedRect().adjusted(-1, -1, 1, 1);
  // The drawings' reduced copies follow the picture's halvings, down to 1/128.
  const int level = zoom::halvings(zoom);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom < 1);
  m_layer.forEachTile(area, [&](const TiledLayer::TileView& tile) {
    const QRectF target(QPointF(tile.rect.topLeft()) * zoom, QSizeF(tile.rect.size()) * zoom);
    painter.drawImage(target, level == 0 ? tile.image : reducedTile(tile, level));
  });
}

// A drawn shape stays visible however far the view is zoomed out: a reduced
// pixel is opaque where any pixel it covers was drawn, in their average
// colour.
const QImage& PictureCanvas::reducedTile(const TiledLayer::TileView& tile, int level) const {
  ReducedTile& cached = m_reducedTiles[qMakePair(tile.key, level)];
  if (cached.version == tile.version && !cached.image.isNull()) {
    return cached.image;
  }
  const int block = 1 << level;
  const int side = TiledLayer::kTileSize / block;
  QImage reduced(side, side, QImage::Format_ARGB32_Premultiplied);
  for (int oy = 0; oy < side; ++oy) {
    auto* out = reinterpret_cast<QRgb*>(reduced.scanLine(oy));
    for (int ox = 0; ox < side; ++ox) {
      int drawn = 0, r = 0, g = 0, b = 0;
      for (int y = oy * block; y < (oy + 1) * block; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(tile.image.constScanLine(y));
        for (int x = ox * block; x < (ox + 1) * block; ++x) {
          if (qAlpha(in[x]) != 0) {
            ++drawn;
            r += qRed(in[x]);
            g += qGreen(in[x]);
            b += qBlue(in[x]);
          }
        }
      }
      out[ox] = drawn == 0 ? 0 : qRgb(r / drawn, g / drawn, b / drawn);
    }
  }
  cached = {tile.version, reduced};
  return cached.image;
}

void PictureCanvas::paint(QPainter& painter, const QRect& exposed) const {
  const QRect area = exposed & rect();
  if (area.isEmpty()) {
    return;
  }
  // Transparent parts of a picture show the blank surface's white.
  if (!m_shown || m_shown->hasTransparency()) {
    painter.fillRect(area, Qt::white);
  }
  if (m_shown) {
    m_shown->paint(painter, area, 1);
  }
  m_layer.composeOnto(painter, area);
}

QImage PictureCanvas::composed(const QRect& area) const {
  QImage image(area.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.translate(-area.topLeft());
  paint(painter, area);
  return image;
}

void PictureCanvas::setDrawWidth(int pixels) {
  m_width = std::clamp(pixels, 1, kMaxDrawWidth);
}

void PictureCanvas::setDrawStyle(int code) {
  if (code >= 0 && code < kStyleCount) {
    m_drawStyle = code;
  }
}

void PictureCanvas::setFillStyle(int code) {
  if (code >= 0 && code < kFillCount) {
    m_fillStyle = code;
  }
}

void PictureCanvas::setFillColor(const QColor& colour) {
  m_fillColor = colour;
}

QPen PictureCanvas::pen(int width, int style, const QColor& colour) {
  static constexpr std::array<Qt::PenStyle, kStyleCount> styles = {
      Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
      Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
  // Flat caps keep dashes their length; miter joins give wide boxes square
  // corners.
  return QPen(QBrush(colour), width,
              styles[static_cast<std::size_t>(std::clamp(style, 0, kStyleCount - 1))], Qt::FlatCap,
              Qt::MiterJoin);
}

QBrush PictureCanvas::brush() const {
  static constexpr std::array<Qt::BrushStyle, kFillCount> styles = {
      Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
      Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
  return QBrush(m_fillColor, styles[static_cast<std::size_t>(m_fillStyle)]);
}

QRect PictureCanvas::reach(const QRectF& shapeBounds) const {
  // Room for half the pen on every side, and a pixel for rounding.
  const int margin = m_width / 2 + 2;
  // Only the part over the picture is painted: a shape reaching far beyond
  // it is cut to just outside the picture first, so its corners stay ints.
  const auto cut = [margin](double at, int length) {
    return std::isnan(at) ? 0.0 : std::clamp(at, -margin - 2.0, length + margin + 2.0);
  };
  const QRectF within(
      QPointF(cut(shapeBounds.left(), size().width()), cut(shapeBounds.top(), size().height())),
      QPointF(cut(shapeBounds.right(), size().width()),
              cut(shapeBounds.bottom(), size().height())));
  return within.toAlignedRect().adjusted(-margin, -margin, margin, margin) & rect();
}

void PictureCanvas::stroke(const QRect& bounds, std::function<void(TiledLayer&)> paint) {
  if (m_recording) {
    m_recording->push_back({bounds, paint, m_layer.save(bounds)});
  }
  paint(m_layer);
  if (m_damage && !bounds.isEmpty()) {
    m_damage(bounds);
  }
}

void PictureCanvas::draw(const QRectF& shapeBounds, const std::function<void(QPainter&)>& shape) {
  const QRect bounds = reach(shapeBounds);
  stroke(bounds, [bounds, shape](TiledLayer& layer) { layer.paint(bounds, shape); });
}

namespace {

// A shape on the canvas: the drawings' pixels under it as they were, and
// how it was drawn. Only the pixels under the shape are kept, and of those
// only where something had been drawn before.
class CanvasShape : public DrawnShape {
 public:
  using Strokes = std::vector<PictureCanvas::Stroke>;
  CanvasShape(PictureCanvas& canvas, Strokes strokes)
      : m_canvas(canvas), m_picture(canvas.generation()), m_strokes(std::move(strokes)) {}

  void undo() override {
    if (m_canvas.generation() == m_picture) {
      for (auto it = m_strokes.rbegin(); it != m_strokes.rend(); ++it) {
        m_canvas.restoreStroke(*it);
      }
    }
  }
  void redo() override {
    if (m_canvas.generation() == m_picture) {
      for (const PictureCanvas::Stroke& stroke : m_strokes) {
        m_canvas.repeatStroke(stroke);
      }
    }
  }
  qsizetype bytes() const override {
    qsizetype total = sizeof(*this);
    for (const PictureCanvas::Stroke& stroke : m_strokes) {
      // The way it was drawn (pen, brush, geometry) costs a little besides.
      total += sizeof(stroke) + 256 + stroke.before.bytes();
    }
    return total;
  }

 private:
  PictureCanvas& m_canvas;
  quint64 m_picture;
  Strokes m_strokes;
};

}  // namespace

void PictureCanvas::beginRecording() {
  m_recording.emplace();
}

std::unique_ptr<DrawnShape> PictureCanvas::endRecording() {
  if (!m_recording) {
    return nullptr;
  }
  auto shape = std::make_unique<CanvasShape>(*this, std::move(*m_recording));
  m_recording.reset();
  return shape;
}

void PictureCanvas::restoreStroke(const Stroke& stroke) {
  m_layer.restore(stroke.before);
  if (m_damage && !stroke.bounds.isEmpty()) {
    m_damage(stroke.bounds);
  }
}

void PictureCanvas::repeatStroke(const Stroke& stroke) {
  stroke.paint(m_layer);
  if (m_damage && !stroke.bounds.isEmpty()) {
    m_damage(stroke.bounds);
  }
}

void PictureCanvas::drawCircle(QPointF centre, double radius, const QColor& outline) {
  const QPointF c = toPixels(centre);
  double r = std::abs(radius) / kTwipsPerPixel;
  if (m_drawStyle == 6 && m_width > 1) {
    r = std::max(0.0, r - m_width / 2.0);
  }
  QPen p = pen(outline);
  const QBrush b = brush();
  // A point marker is a few twips across, less than a pixel: it must still
  // leave a dot, as a circle that small always has on screen.
  const bool dot = r < 0.5;
  if (dot && p.style() == Qt::NoPen && b.style() != Qt::NoBrush) {
    p = QPen(b.color(), 1);
  }
  p.setCapStyle(dot ? Qt::SquareCap : p.capStyle());
  draw(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), [=](QPainter& painter) {
    painter.setPen(p);
    if (dot) {
      painter.drawPoint(c);
      return;
    }
    painter.setBrush(b);
    painter.drawEllipse(c, r, r);
  });
}

void PictureCanvas::drawLine(QPointF from, QPointF to, const QColor& colour) {
  const QPointF a = toPixels(from);
  const QPointF b = toPixels(to);
  const QPen p = pen(colour);
  draw(QRectF(a, b).normalized(), [=](QPainter& painter) {
    painter.setPen(p);
    painter.drawLine(a, b);
  });
}

void PictureCanvas::drawBox(QPointF corner, QPointF oppositeCorner, const QColor& outline) {
  const QPointF a = toPixels(corner);
  const QPointF b = toPixels(oppositeCorner);
  // From the min to the max corner whichever way the drag went.
  QRectF box(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
             QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
  const QRectF outer = box;
  if (m_drawStyle == 5) {
    // A thin outline runs through the pixels from min to max inclusive, while
    // a fill alone stops before max: without an outline the fill must reach
    // the far column and row too, so both boxes cover the same pixels.
    box.adjust(0, 0, 1, 1);
  } else if (m_drawStyle == 6 && m_width > 1) {
    // A thin outline covers the pixels from min to max inclusive; a wide
    // pen lies within those same pixels.
    box.adjust(0, 0, 1, 1);
    const double half = std::min({m_width / 2.0, box.width() / 2, box.height() / 2});
    box.adjust(half, half, -half, -half);
  }
  const QPen p = pen(outline);
  const QBrush b2 = brush();
  draw(outer, [=](QPainter& painter) {
    painter.setPen(p);
    painter.setBrush(b2);
    painter.drawRect(box);
  });
}

namespace {

QPolygonF inPixels(std::span<const QPointF> vertices) {
  QPolygonF polygon;
  polygon.reserve(qsizetype(vertices.size()));
  for (const QPointF& v : vertices) {
    polygon.append(toPixels(v));
  }
  return polygon;
}

}  // namespace

namespace {

// A solid outline no wider than this is drawn tile by tile along it: its
// margin round a tile stays small. A wider or dashed one is drawn whole.
constexpr int kWidestAlongTiles = 16;

bool alongTiles(const QPen& pen) {
  return pen.style() == Qt::SolidLine && pen.width() <= kWidestAlongTiles;
}

}  // namespace

void PictureCanvas::drawPolyline(std::span<const QPointF> vertices, const QColor& colour) {
  const QPolygonF path = inPixels(vertices);
  const QPen p = pen(colour);
  if (alongTiles(p) && path.size() > 2) {
    drawAlong(path, false, p);
    return;
  }
  draw(path.boundingRect(), [=](QPainter& painter) {
    painter.setPen(p);
    painter.drawPolyline(path);
  });
}

void PictureCanvas::drawPolygon(std::span<const QPointF> vertices, const QColor& outline) {
  const QPolygonF path = inPixels(vertices);
  const QPen p = pen(outline);
  const QBrush b = brush();
  if (alongTiles(p) && b.style() == Qt::NoBrush && path.size() > 2) {
    drawAlong(path, true, p);
    return;
  }
  draw(path.boundingRect(), [=](QPainter& painter) {
    painter.setPen(p);
    painter.setBrush(b);
    // Odd-even and winding fill alike for an outline that does not cross.
    painter.drawPolygon(path);
  });
}

namespace {

// The parts of an outline that fall on each tile it crosses: runs of
// consecutive edges, each drawn as one polyline so its joins stay whole.
struct TileRuns {
  std::vector<QPoint> cells;
  std::vector<std::vector<QPolygonF>> runs;  // for each cell; none: the whole outline
};

TileRuns runsAlong(const QPolygonF& path, bool closed, int margin, const QRect& picture) {
  const qsizetype n = path.size();
  const qsizetype edges = closed ? n : n - 1;
  const int tile = TiledLayer::kTileSize;
  const auto floorDiv = [tile](double v) { return int(std::floor(v / tile)); };
  // The tiles within the margin of each edge; edges beyond the picture are
  // left out.
  std::vector<std::pair<quint64, qsizetype>> entries;
  entries.reserve(std::size_t(edges) * 2);
  const QRectF within = QRectF(picture).adjusted(-margin, -margin, margin, margin);
  for (qsizetype e = 0; e < edges; ++e) {
    const QPointF a = path.at(e);
    const QPointF b = path.at((e + 1) % n);
    if (!within.intersects(QRectF(a, b).normalized().adjusted(-1, -1, 1, 1))) {
      continue;
    }
    // Column by column, the rows the edge's stretch in that column (and
    // the margin round it) reaches.
    const double left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x());
    // Only tiles of the picture: what lies beyond is never shown, and undo
    // keeps only what is within it.
    const int firstColumn = std::max(floorDiv(left - margin), 0);
    const int lastColumn = std::min(floorDiv(right + margin), (picture.width() - 1) / tile);
    for (int column = firstColumn; column <= lastColumn; ++column) {
      double top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y());
      if (right > left) {
        const double from = std::clamp(double(column) * tile - margin, left, right);
        const double to = std::clamp(double(column + 1) * tile + margin, left, right);
        const double y0 = a.y() + (from - a.x()) * (b.y() - a.y()) / (b.x() - a.x());
        const double y1 = a.y() + (to - a.x()) * (b.y() - a.y()) / (b.x() - a.x());
        top = std::min(y0, y1);
        bottom = std::max(y0, y1);
      }
      const int firstRow = std::max(floorDiv(top - margin), 0);
      const int lastRow = std::min(floorDiv(bottom + margin), (picture.height() - 1) / tile);
      for (int row = firstRow; row <= lastRow; ++row) {
        entries.emplace_back((quint64(quint32(column)) << 32) | quint32(row), e);
      }
    }
  }
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());

  TileRuns out;
  for (std::size_t i = 0; i < entries.size();) {
    const quint64 key = entries[i].first;
    const QPoint cell(int(qint32(quint32(key >> 32))), int(qint32(quint32(key))));
    std::vector<std::pair<qsizetype, qsizetype>> spans;  // first and last edge
    for (; i < entries.size() && entries[i].first == key; ++i) {
      const qsizetype e = entries[i].second;
      if (!spans.empty() && spans.back().second + 1 == e) {
        spans.back().second = e;
      } else {
        spans.emplace_back(e, e);
      }
    }
    out.cells.push_back(cell);
    // All of a closed outline on one tile: drawn whole, its closing join
    // included.
    if (closed && spans.size() == 1 && spans.front().first == 0 &&
        spans.front().second == edges - 1) {
      out.runs.emplace_back();
      continue;
    }
    // Round the closing vertex, the last run goes on into the first.
    if (closed && spans.size() > 1 && spans.front().first == 0 &&
        spans.back().second == edges - 1) {
      spans.front().first = spans.back().first - edges;
      spans.pop_back();
    }
    std::vector<QPolygonF> polylines;
    for (const auto& [first, last] : spans) {
      QPolygonF run;
      run.reserve(last - first + 2);
      for (qsizetype v = first; v <= last + 1; ++v) {
        run.append(path.at(((v % n) + n) % n));
      }
      polylines.push_back(std::move(run));
    }
    out.runs.push_back(std::move(polylines));
  }
  return out;
}

}  // namespace

void PictureCanvas::drawAlong(const QPolygonF& path, bool closed, const QPen& pen) {
  // Beyond half the pen, a miter join may reach out as far again.
  const int margin = 2 * m_width + 2;
  const QRect bounds =
      reach(path.boundingRect()).adjusted(-margin, -margin, margin, margin) & rect();
  auto runs = std::make_shared<const TileRuns>(runsAlong(path, closed, margin, rect()));
  stroke(bounds, [runs, pen, margin, path, bounds](TiledLayer& layer) {
    layer.paintTiles(runs->cells, margin, bounds, [&](QPainter& painter, std::size_t cell) {
      painter.setPen(pen);
      if (runs->runs[cell].empty()) {
        painter.drawPolygon(path);
        return;
      }
      for (const QPolygonF& run : runs->runs[cell]) {
        painter.drawPolyline(run);
      }
    });
  });
}

}  // namespace koordel

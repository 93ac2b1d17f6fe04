#pragma once

#include <QHash>
#include <QImage>
#include <QRect>

#include <functional>
#include <vector>

class QPainter;

namespace koordel {

// The drawings, kept apart from the picture in transparent tiles that exist
// only where something was drawn. The picture keeps its own depth (a 1-bit
// scan stays 1-bit, and QPainter cannot draw on indexed images anyway), and a
// few shapes on a huge scan cost a few tiles, not a second copy of the scan.
// Every drawn pixel is opaque, so laying the tiles over the picture shows
// exactly what drawing on the picture itself would.
class TiledLayer {
 public:
  static constexpr int kTileSize = 256;
  // Shapes are drawn in pieces of at most this many pixels square (64 MiB of
  // scratch); only a shape larger than that is ever clipped while drawn.
  static constexpr int kScratchSize = 4096;

  void clear() { m_tiles.clear(); }

  // Runs `draw` with a painter in layer coordinates over the area `bounds`;
  // tiles are made only where it drew something.
  void paint(const QRect& bounds, const std::function<void(QPainter&)>& draw);
  // For a shape that runs along thin lines over a large area (a long
  // outline): `draw` paints, for each tile at `cells` (column and row) in
  // turn, what falls on that tile (its index in `cells` given), with a
  // painter in layer coordinates that reaches `margin` pixels beyond the
  // tile so that nothing is clipped where it shows. Only the tiles the
  // outline crosses are touched, not the whole area it spans.
  // Nothing is kept outside `within`.
  void paintTiles(const std::vector<QPoint>& cells, int margin, const QRect& within,
                  const std::function<void(QPainter&, std::size_t)>& draw);

  // Lays the tiles that meet `rect` over what `painter` already holds.
  void composeOnto(QPainter& painter, const QRect& rect) const;

  // What was drawn in an area: a piece for each tile that holds something
  // there; where nothing was drawn nothing is kept.
  struct Saved {
    QRect area;
    std::vector<std::pair<QPoint, QImage>> pieces;  // where each lies, its pixels
    qsizetype bytes() const;
  };
  Saved save(const QRect& area) const;
  // Puts the area back exactly as it was saved: drawn pixels where the
  // pieces have them, nothing elsewhere. Tiles left empty go.
  void restore(const Saved& saved);

  // One tile: where it lies, its pixels, and a number that changes whenever
  // they do (and is never reused), for caches of what is made from it.
  struct TileView {
    quint64 key;
    QRect rect;
    const QImage& image;
    quint64 version;
  };
  // Calls `visit` for every tile that meets `rect`.
  void forEachTile(const QRect& rect, const std::function<void(const TileView&)>& visit) const;

  qsizetype tileCount() const { return m_tiles.size(); }

 private:
  struct Tile {
    QImage image;
    quint64 version = 0;
  };
  static quint64 key(int column, int row);
  // The tile at a place, made empty when there is none.
  Tile& tileAt(int column, int row);
  void merge(const QImage& scratch, QPoint origin);

  QHash<quint64, Tile> m_tiles;
  quint64 m_nextVersion = 1;
};

}  // namespace koordel

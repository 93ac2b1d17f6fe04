#include "TiledLayer.h"

#include <QPainter>
#include <QRegion>

namespace koordel {
namespace {

int floorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The columns and rows of the tiles that meet an area.
struct TileSpan {
  int firstColumn, lastColumn, firstRow, lastRow;
  explicit TileSpan(const QRect& area)
      : firstColumn(floorDiv(area.left(), TiledLayer::kTileSize)),
        lastColumn(floorDiv(area.right(), TiledLayer::kTileSize)),
        firstRow(floorDiv(area.top(), TiledLayer::kTileSize)),
        lastRow(floorDiv(area.bottom(), TiledLayer::kTileSize)) {}
};

bool isEmpty(const QImage& image, const QRect& rect) {
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = rect.left(); x <= rect.right(); ++x) {
      if (line[x] != 0) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

quint64 TiledLayer::key(int column, int row) {
  return (quint64(quint32(column)) << 32) | quint32(row);
}

void TiledLayer::paint(const QRect& bounds, const std::function<void(QPainter&)>& draw) {
  // A shape is drawn whole into one scratch buffer and then shared out to the
  // tiles: drawn tile by tile, each tile would clip the shape at its edges,
  // and Qt's thin lines lose a corner pixel where they are clipped.
  for (int top = bounds.top(); top <= bounds.bottom(); top += kScratchSize) {
    for (int left = bounds.left(); left <= bounds.right(); left += kScratchSize) {
      const QRect piece = QRect(left, top, kScratchSize, kScratchSize) & bounds;
      QImage scratch(piece.size(), QImage::Format_ARGB32_Premultiplied);
      scratch.fill(Qt::transparent);
      {
        QPainter painter(&scratch);
        painter.translate(-piece.topLeft());
        draw(painter);
      }
      merge(scratch, piece.topLeft());
    }
  }
}

void TiledLayer::paintTiles(const std::vector<QPoint>& cells, int margin, const QRect& within,
                            const std::function<void(QPainter&, std::size_t)>& draw) {
  // One scratch for all the tiles, a tile and its margin square.
  const int side = kTileSize + 2 * margin;
  QImage scratch(side, side, QImage::Format_ARGB32_Premultiplied);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const QPoint corner = cells[i] * kTileSize;
    scratch.fill(Qt::transparent);
    {
      QPainter painter(&scratch);
      painter.translate(QPoint(margin, margin) - corner);
      draw(painter, i);
      // Cleared afterwards rather than clipped while drawn: a clip would
      // move a thin line's pixels.
      const QRect tileRect(corner, QSize(kTileSize, kTileSize));
      const QRegion outside = QRegion(tileRect).subtracted(QRegion(within));
      if (!outside.isEmpty()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& part : outside) {
          painter.fillRect(part, Qt::transparent);
        }
      }
    }
    // The tile itself, without the margin, seen in place in the scratch.
    const QImage tile(scratch.constBits() + margin * scratch.bytesPerLine() + margin * 4, kTileSize,
                      kTileSize, scratch.bytesPerLine(), scratch.format());
    merge(tile, corner);
  }
}

void TiledLayer::merge(const QImage& scratch, QPoint origin) {
  const QRect area(origin, scratch.size());
  const auto [firstColumn, lastColumn, firstRow, lastRow] = TileSpan(area);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const QRect tileRect(column * kTileSize, row * kTileSize, kTileSize, kTileSize);
      const QRect part = tileRect & area;
      const QRect source = part.translated(-origin);
      if (isEmpty(scratch, source)) {
        continue;
      }
      Tile& tile = tileAt(column, row);
      tile.version = m_nextVersion++;
      // Drawn pixels are opaque and the rest fully transparent, so laying
      // the scratch over the tile keeps earlier drawings in the gaps.
      QPainter painter(&tile.image);
      painter.drawImage(part.topLeft() - tileRect.topLeft(), scratch, source);
    }
  }
}

void TiledLayer::composeOnto(QPainter& painter, const QRect& rect) const {
  forEachTile(rect, [&](const TileView& tile) {
    const QRect part = tile.rect & rect;
    painter.drawImage(part.topLeft(), tile.image, part.translated(-tile.rect.topLeft()));
  });
}

TiledLayer::Tile& TiledLayer::tileAt(int column, int row) {
  auto it = m_tiles.find(key(column, row));
  if (it == m_tiles.end()) {
    QImage image(kTileSize, kTileSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    it = m_tiles.insert(key(column, row), Tile{image, 0});
  }
  return *it;
}

qsizetype TiledLayer::Saved::bytes() const {
  qsizetype total = 0;
  for (const auto& piece : pieces) {
    total += piece.second.sizeInBytes();
  }
  return total;
}

TiledLayer::Saved TiledLayer::save(const QRect& area) const {
  Saved saved{area, {}};
  forEachTile(area, [&](const TileView& tile) {
    const QRect part = (tile.rect & area).translated(-tile.rect.topLeft());
    if (!isEmpty(tile.image, part)) {
      saved.pieces.emplace_back(part.topLeft() + tile.rect.topLeft(), tile.image.copy(part));
    }
  });
  return saved;
}

void TiledLayer::restore(const Saved& saved) {
  const QRect& area = saved.area;
  if (area.isEmpty()) {
    return;
  }
  const auto [firstColumn, lastColumn, firstRow, lastRow] = TileSpan(area);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const QRect tileRect(column * kTileSize, row * kTileSize, kTileSize, kTileSize);
      bool needed = m_tiles.contains(key(column, row));
      for (const auto& [at, pixels] : saved.pieces) {
        needed = needed || tileRect.intersects(QRect(at, pixels.size()));
      }
      if (!needed) {
        continue;
      }
      Tile& tile = tileAt(column, row);
      {
        QPainter painter(&tile.image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.translate(-tileRect.topLeft());
        painter.fillRect(area & tileRect, Qt::transparent);
        painter.setClipRect(area & tileRect);
        for (const auto& [at, pixels] : saved.pieces) {
          painter.drawImage(at, pixels);
        }
      }
      tile.version = m_nextVersion++;
      if (isEmpty(tile.image, QRect(0, 0, kTileSize, kTileSize))) {
        m_tiles.remove(key(column, row));
      }
    }
  }
}

void TiledLayer::forEachTile(const QRect& rect,
                             const std::function<void(const TileView&)>& visit) const {
  if (m_tiles.isEmpty() || rect.isEmpty()) {
    return;
  }
  const auto [firstColumn, lastColumn, firstRow, lastRow] = TileSpan(rect);
  // A zoomed-out view meets far more places than there are tiles.
  if (qint64(lastColumn - firstColumn + 1) * (lastRow - firstRow + 1) > m_tiles.size()) {
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it) {
      const int column = static_cast<int>(static_cast<qint32>(it.key() >> 32));
      const int row = static_cast<int>(static_cast<qint32>(it.key() & 0xffffffffu));
      const QRect tileRect(column * kTileSize, row * kTileSize, kTileSize, kTileSize);
      if (tileRect.intersects(rect)) {
        visit({it.key(), tileRect, it->image, it->version});
      }
    }
    return;
  }
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const auto it = m_tiles.constFind(key(column, row));
      if (it != m_tiles.cend()) {
        const QRect tileRect(column * kTileSize, row * kTileSize, kTileSize, kTileSize);
        visit({it.key(), tileRect, it->image, it->version});
      }
    }
  }
}

}  // namespace koordel

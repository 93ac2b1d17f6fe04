#include "RasterPicture.h"

#include "BandOrder.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

// A raster picture zoomed out while it arrives: its first kept level where
// that is complete, the gaps a coarse pass leaves shaded from the rows
// around them, the preview or grey in the rest.
namespace koordel {
namespace {

// Level rows whose average stands for a band's edge when a gap next to it
// is filled in.
constexpr int kEdgeRows = 16;

// The average of level rows [from, to) of `level`, columns `columns`, as
// one row of the level's format.
QImage meanRow(const QImage& level, const QRect& columns, int from, int to) {
  const int channels = level.format() == QImage::Format_Grayscale8 ? 1 : 3;
  const int n = columns.width() * channels;
  std::vector<int> sums(static_cast<std::size_t>(n), 0);
  for (int r = from; r < to; ++r) {
    const uchar* row = level.constScanLine(r) + columns.left() * channels;
    for (int i = 0; i < n; ++i) {
      sums[static_cast<std::size_t>(i)] += row[i];
    }
  }
  QImage mean(columns.width(), 1, level.format());
  uchar* out = mean.scanLine(0);
  const int count = std::max(1, to - from);
  for (int i = 0; i < n; ++i) {
    out[i] = static_cast<uchar>((sums[static_cast<std::size_t>(i)] + count / 2) / count);
  }
  return mean;
}

}  // namespace

// The tallest run of missing level rows filled in from the rows around it:
// what a coarse pass over the picture leaves, give or take a level row at
// either end.
int RasterPicture::widestFilledGap() const {
  const int factor = m_growing ? 1 << m_growing->first() : 1;
  return (m_size.height() / bands::kCoarseGaps + factor - 1) / factor + 2;
}

bool RasterPicture::showsWhole() const {
  if (hasPyramid() || hasPreview()) {
    return true;
  }
  if (!m_growing) {
    return false;
  }
  const RowRuns runs = m_growing->readyRuns();
  if (runs.isEmpty()) {
    return false;
  }
  const int widest = widestFilledGap();
  int row = 0;
  for (const RowRuns::Run& run : runs.runs()) {
    if (run.first - row > widest) {
      return false;
    }
    row = run.end;
  }
  return m_growing->image().height() - row <= widest;
}

// Missing level rows [from, to), columns of `part`: shaded from the rows
// just above to those just below (or the one of them there is), so that a
// coarse pass shows the sheet whole, its lines running through the gaps.
void RasterPicture::fillGap(QPainter& painter, const QRect& part, int from, int to,
                            const RowRuns& runs, double scale) const {
  const QImage& level = m_growing->image();
  QImage above;
  QImage below;
  for (const RowRuns::Run& run : runs.runs()) {
    if (run.end == from) {
      above = meanRow(level, part, std::max(run.first, run.end - kEdgeRows), run.end);
    } else if (run.first == to) {
      below = meanRow(level, part, run.first, std::min(run.end, run.first + kEdgeRows));
    }
  }
  if (above.isNull()) {
    above = below;
  } else if (below.isNull()) {
    below = above;
  }
  QImage ends(part.width(), 2, level.format());
  std::copy_n(above.constScanLine(0), above.bytesPerLine(), ends.scanLine(0));
  std::copy_n(below.constScanLine(0), below.bytesPerLine(), ends.scanLine(1));
  // A screen row over at either end: the clip keeps it to the gap's rows,
  // and none of them is left where the gap begins or ends part-way.
  painter.drawImage(
      QRectF(part.left() * scale, from * scale - 1, part.width() * scale, (to - from) * scale + 2),
      ends);
}

// Zoomed out before the reduced copies are all made: the first level where
// its rows are there, gaps a coarse pass leaves filled in from around them,
// the preview or grey in the rest.
void RasterPicture::paintGrowing(QPainter& painter, const QRectF& image, double zoom) const {
  const QRect screen = QRectF(image.topLeft() * zoom, image.size() * zoom).toAlignedRect();
  if (!m_growing) {
    paintPending(painter, screen, zoom);
    return;
  }
  const int factor = 1 << m_growing->first();
  const double scale = zoom * factor;  // screen pixels per level pixel
  const QImage& level = m_growing->image();
  const QRectF inLevel(image.topLeft() / factor, image.size() / factor);
  const QRect part = inLevel.toAlignedRect().adjusted(-2, -2, 2, 2) & level.rect();
  const RowRuns runs = m_growing->readyRuns();
  const int widest = runs.isEmpty() ? -1 : widestFilledGap();
  // Screen rows from level row `row` on.
  const auto at = [scale](int row) { return static_cast<int>(std::floor(row * scale)); };
  const auto band = [&](int from, int to) {
    const int bottom = to >= level.height() ? screen.bottom() + 1 : at(to);
    return screen & QRect(screen.left(), at(from), screen.width(), bottom - at(from));
  };
  const auto gap = [&](int from, int to) {
    if (from >= to) {
      return;
    }
    // With the screen row the next run begins part-way through: drawn
    // before it, so that no row is left between them.
    const QRect rows = band(from, to).adjusted(0, 0, 0, 1) & screen;
    if (rows.isEmpty()) {
      return;
    }
    if (to - from <= widest && !part.isEmpty()) {
      painter.save();
      painter.setClipRect(rows, Qt::IntersectClip);
      fillGap(painter, part, from, to, runs, scale);
      painter.restore();
    } else {
      paintPending(painter, rows, zoom);
    }
  };
  int row = 0;
  for (const RowRuns::Run& run : runs.runs()) {
    gap(row, run.first);
    row = run.end;
  }
  gap(row, level.height());
  if (part.isEmpty()) {
    return;
  }
  for (const RowRuns::Run& run : runs.runs()) {
    const int from = std::max(run.first, part.top());
    const int to = std::min(run.end, part.bottom() + 1);
    if (from >= to) {
      continue;
    }
    // The complete rows only, as an image of their own: the smoothing reads
    // no row still being written.
    const QImage rows(level.constScanLine(from), level.width(), to - from, level.bytesPerLine(),
                      level.format());
    painter.save();
    painter.setClipRect(band(from, to), Qt::IntersectClip);
    painter.drawImage(
        QRectF(part.left() * scale, from * scale, part.width() * scale, (to - from) * scale), rows,
        QRect(part.left(), 0, part.width(), to - from));
    painter.restore();
  }
}

}  // namespace koordel

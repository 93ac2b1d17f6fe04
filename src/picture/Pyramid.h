#pragma once

#include "Halvings.h"
#include "RowRuns.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace koordel {

// Reduced copies of a picture for showing it zoomed out. Level k is the
// picture at 1/2^k of its size, each pixel the average of the 2^k x 2^k
// picture pixels it covers, over white: a one-pixel line on a 1-bit scan
// stays a grey line instead of vanishing. Grey pictures (1-bit, grey, grey
// palettes) give 8-bit grey levels, others 24-bit colour.
//
// Levels from 1/4 down are kept (a sixteenth of the picture's pixels and
// less); level 1, a quarter of the pixels, would cost a 1-bit scan twice its
// own memory, so it is made for the exposed part only, when painted.
class Pyramid {
 public:
  static constexpr int kFirstKept = 2;
  // Where the quarter would take more than this, the eighth is the first
  // level kept, and a view between an eighth and a quarter is reduced from
  // the picture as it is painted: an A0 scan's reduced copies take 5 MiB
  // rather than 20 (grey) or 60 (colour), and a 1-bit scan's a sixth of its
  // own memory rather than two thirds.
  static constexpr qint64 kLargestQuarter = 8 * 1024 * 1024;
  // The first level kept for a picture of `size`, reduced to grey or colour.
  static int firstKeptFor(QSize size, bool grey);
  static constexpr int kDeepest = zoom::kMostHalvings;  // for the smallest zoom

  Pyramid() = default;

  // Builds every kept level; gives an empty pyramid when `cancel` is set
  // meanwhile. Safe on a worker thread: it only reads `picture`.
  static Pyramid build(const QImage& picture, const std::atomic<bool>* cancel = nullptr);

  bool isEmpty() const { return m_levels.empty(); }
  // Level k (first() <= k <= deepest()), or a null image.
  const QImage& level(int k) const;
  int first() const { return m_first; }
  int deepest() const { return m_first + static_cast<int>(m_levels.size()) - 1; }
  qsizetype bytes() const;

  // The picture pixels `area` reduced `factor` (2 or 4) times, each pixel
  // the average over white of the block it covers; `area` starts on a
  // multiple of `factor` (and of 8 for a 1-bit picture).
  static QImage reducedPart(const QImage& picture, const QRect& area, int factor);

  // Level `first` (made by GrowingLevel) with the finer levels added.
  static Pyramid fromLevel(QImage level, int first, const std::atomic<bool>* cancel);

  // True when the picture's levels are grey.
  static bool isGrey(const QImage& picture);

 private:
  void addFinerLevels(const std::atomic<bool>* cancel);

  int m_first = kFirstKept;
  std::vector<QImage> m_levels;  // from m_first on
};

// The first kept level of a picture still arriving, filled as the
// picture's rows come, in any order (on one worker), and shown meanwhile (on
// the user-interface thread) where it is complete.
class GrowingLevel {
 public:
  GrowingLevel(QSize size, bool grey, int first);

  bool isNull() const { return m_image.isNull(); }
  int first() const { return m_first; }
  const QImage& image() const { return m_image; }
  // Whether level row `row` is complete: only such rows may be read while
  // it grows.
  bool isReady(int row) const {
    return m_ready[static_cast<std::size_t>(row)].load(std::memory_order_acquire);
  }
  // The runs of complete level rows, top to bottom.
  RowRuns readyRuns() const;

  // On the worker: takes in the picture rows of `arrived` it has not yet,
  // each level row once all the picture rows it covers are there;
  // `reduced(area, factor)` gives the pixels `area` (corner on a multiple of
  // `factor`) `factor` times smaller, as 8-bit grey or 24-bit colour. False
  // when cancelled, or when `reduced` gives nothing (memory ran short).
  bool grow(const RowRuns& arrived, const std::function<QImage(const QRect&, int)>& reduced,
            const std::atomic<bool>* cancel);
  bool isComplete() const { return m_complete == m_image.height(); }
  // On the worker: the picture rows taken in since the last call, as one
  // span [first, end) (empty when none).
  std::pair<int, int> takeNews();

 private:
  bool take(int from, int to, const std::function<QImage(const QRect&, int)>& reduced);

  QSize m_size;
  int m_first;
  QImage m_image;
  uchar* m_bits = nullptr;  // taken once: the worker never touches m_image itself
  qsizetype m_stride = 0;
  std::unique_ptr<std::atomic<bool>[]> m_ready;
  int m_complete = 0;  // the worker's
  int m_newsFirst = INT_MAX;
  int m_newsEnd = 0;
};

}  // namespace koordel

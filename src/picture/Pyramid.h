#pragma once

#include "Halvings.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <functional>
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

// The first kept level of a picture still arriving, filled a strip at a time
// as the picture's rows come (on one worker), and shown meanwhile (on the
// user-interface thread) as far as it is complete.
class GrowingLevel {
 public:
  GrowingLevel(QSize size, bool grey, int first);

  bool isNull() const { return m_image.isNull(); }
  int first() const { return m_first; }
  // The picture rows one strip takes.
  int strip() const { return m_strip; }
  // Level rows complete: only these may be read while it grows.
  int rows() const { return m_rows.load(std::memory_order_acquire); }
  const QImage& image() const { return m_image; }
  // Picture rows taken in so far.
  int taken() const { return m_taken; }

  // On the worker: takes in the picture rows below `pictureRows` by whole
  // strips, and the last strip once every row is there; `reduced(area,
  // factor)` gives the pixels `area` (corner on a multiple of `factor`)
  // `factor` times smaller, as 8-bit grey or 24-bit colour. False when
  // cancelled.
  bool grow(int pictureRows, const std::function<QImage(const QRect&, int)>& reduced,
            const std::atomic<bool>* cancel);
  bool isComplete() const { return m_taken >= m_size.height(); }

 private:
  QSize m_size;
  int m_first;
  int m_strip;
  QImage m_image;
  uchar* m_bits = nullptr;  // taken once: the worker never touches m_image itself
  qsizetype m_stride = 0;
  int m_taken = 0;
  std::atomic<int> m_rows = 0;
};

}  // namespace koordel

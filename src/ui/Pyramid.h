#pragma once

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
  static constexpr int kDeepest = 7;  // 1/128, the smallest zoom

  Pyramid() = default;

  // Builds every kept level; gives an empty pyramid when `cancel` is set
  // meanwhile. Safe on a worker thread: it only reads `picture`.
  static Pyramid build(const QImage& picture, const std::atomic<bool>* cancel = nullptr);
  // The same from a picture that reduces pieces of itself: `reduced(area,
  // factor)` gives the pixels `area` (corner on a multiple of `factor`)
  // `factor` times smaller, as 8-bit grey or 24-bit colour. Levels from
  // `first` on.
  static Pyramid build(QSize size, bool grey,
                       const std::function<QImage(const QRect&, int)>& reduced,
                       const std::atomic<bool>* cancel, int first = kFirstKept);

  bool isEmpty() const { return m_levels.empty(); }
  // Level k (first() <= k <= deepest()), or a null image.
  const QImage& level(int k) const;
  int first() const { return m_first; }
  int deepest() const { return m_first + static_cast<int>(m_levels.size()) - 1; }
  qsizetype bytes() const;

  // Level 1 of the picture pixels `area` (whose corners are even; for a
  // 1-bit picture best on a byte, a multiple of 8), made now.
  static QImage halfOf(const QImage& picture, const QRect& area);

  // True when the picture's levels are grey.
  static bool isGrey(const QImage& picture);

  // An image of 8-bit grey or 24-bit colour at half the size, each pixel the
  // average of the (up to) four it covers.
  static QImage halved(const QImage& image);

 private:
  void addFinerLevels(const std::atomic<bool>* cancel);

  int m_first = kFirstKept;
  std::vector<QImage> m_levels;  // from m_first on
};

}  // namespace koordel

#include "YccPlanes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace koordel {
namespace {

// libjpeg-turbo's YCbCr to RGB tables (jdcolor.c), so that every pixel is
// the one a whole decode gives.
constexpr int kScaleBits = 16;
constexpr qint32 kOneHalf = qint32(1) << (kScaleBits - 1);
constexpr qint32 fix(double x) {
  return static_cast<qint32>(x * (1L << kScaleBits) + 0.5);
}

struct Tables {
  std::array<int, 256> crR{}, cbB{};
  std::array<qint32, 256> crG{}, cbG{};
  Tables() {
    for (int i = 0, x = -128; i < 256; ++i, ++x) {
      crR[i] = static_cast<int>((fix(1.40200) * x + kOneHalf) >> kScaleBits);
      cbB[i] = static_cast<int>((fix(1.77200) * x + kOneHalf) >> kScaleBits);
      crG[i] = -fix(0.71414) * x;
      cbG[i] = -fix(0.34414) * x + kOneHalf;
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

inline int clamped(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// One pixel, as the decoder converts it.
inline QRgb toRgb(const Tables& t, int luma, int cb, int cr) {
  return qRgb(clamped(luma + t.crR[cr]),
              clamped(luma + static_cast<int>((t.cbG[cb] + t.crG[cr]) >> kScaleBits)),
              clamped(luma + t.cbB[cb]));
}

}  // namespace

YccPlanes::YccPlanes(QSize size, int across, int down, int lumaStride, int chromaStride,
                     int paddedHeight)
    : m_size(size),
      m_across(across),
      m_down(down),
      m_lumaStride(lumaStride),
      m_chromaStride(chromaStride),
      m_chromaWidth((size.width() + across - 1) / across),
      m_chromaHeight((size.height() + down - 1) / down),
      m_paddedHeight(paddedHeight),
      m_luma(new (std::nothrow) uchar[std::size_t(lumaStride) * paddedHeight]),
      m_cb(new (std::nothrow) uchar[std::size_t(chromaStride) * (paddedHeight / down)]),
      m_cr(new (std::nothrow) uchar[std::size_t(chromaStride) * (paddedHeight / down)]) {
  if (!m_luma || !m_cb || !m_cr) {
    m_luma.reset();
  }
}

qsizetype YccPlanes::bytes() const {
  return planeBytes(0) + planeBytes(1) + planeBytes(2);
}

qsizetype YccPlanes::planeBytes(int plane) const {
  if (isNull()) {
    return 0;
  }
  return plane == 0 ? qsizetype(m_lumaStride) * m_paddedHeight
                    : qsizetype(m_chromaStride) * (m_paddedHeight / m_down);
}

uchar* YccPlanes::row(int plane, int row) {
  if (plane == 0) {
    return m_luma.get() + std::size_t(row) * m_lumaStride;
  }
  return (plane == 1 ? m_cb : m_cr).get() + std::size_t(row) * m_chromaStride;
}

const uchar* YccPlanes::chromaRow(int plane, int row) const {
  // Above the first and below the last row the decoder repeats them.
  row = std::clamp(row, 0, m_chromaHeight - 1);
  return (plane == 1 ? m_cb : m_cr).get() + std::size_t(row) * m_chromaStride;
}

// Output samples x0..x1 of row y of a chroma plane at full size, each as
// libjpeg-turbo's jdsample.c computes it (h1v1, h2v1, h1v2, h2v2).
void YccPlanes::upsample(int plane, int y, int x0, int x1, uchar* out) const {
  const int last = m_chromaWidth - 1;
  // The chroma columns the outputs need, with a neighbour on each side.
  const int c0 = std::max(0, x0 / m_across - 1);
  const int c1 = std::min(last, x1 / m_across + 1);
  // Vertically the nearer row weighs three times the further one; across,
  // the same again on the column sums.
  int sums[kMaxRun / 2 + 4];
  const auto sum = [&sums, c0](int cx) -> int& { return sums[cx - c0]; };
  if (m_down == 1) {
    const uchar* in = chromaRow(plane, y);
    if (m_across == 1) {
      std::memcpy(out, in + x0, std::size_t(x1 - x0 + 1));
      return;
    }
    for (int cx = c0; cx <= c1; ++cx) {
      sum(cx) = in[cx];
    }
    for (int x = x0; x <= x1; ++x) {
      const int cx = x >> 1;
      if ((x & 1) == 0) {
        *out++ = cx == 0 ? uchar(sum(0)) : uchar((sum(cx) * 3 + sum(cx - 1) + 1) >> 2);
      } else {
        *out++ = cx == last ? uchar(sum(cx)) : uchar((sum(cx) * 3 + sum(cx + 1) + 2) >> 2);
      }
    }
    return;
  }
  const int cy = y >> 1;
  const uchar* nearer = chromaRow(plane, cy);
  const uchar* further = chromaRow(plane, (y & 1) == 0 ? cy - 1 : cy + 1);
  if (m_across == 1) {
    const int bias = (y & 1) == 0 ? 1 : 2;
    for (int x = x0; x <= x1; ++x) {
      *out++ = uchar((nearer[x] * 3 + further[x] + bias) >> 2);
    }
    return;
  }
  for (int cx = c0; cx <= c1; ++cx) {
    sum(cx) = nearer[cx] * 3 + further[cx];
  }
  for (int x = x0; x <= x1; ++x) {
    const int cx = x >> 1;
    if ((x & 1) == 0) {
      *out++ = cx == 0 ? uchar((sum(0) * 4 + 8) >> 4) : uchar((sum(cx) * 3 + sum(cx - 1) + 8) >> 4);
    } else {
      *out++ =
          cx == last ? uchar((sum(cx) * 4 + 7) >> 4) : uchar((sum(cx) * 3 + sum(cx + 1) + 7) >> 4);
    }
  }
}

QImage YccPlanes::rgb(const QRect& wanted) const {
  const QRect area = wanted & QRect(QPoint(0, 0), m_size);
  QImage image(area.size(), QImage::Format_RGB32);
  if (area.isEmpty() || image.isNull() || isNull()) {
    return image;
  }
  const Tables& t = tables();
  uchar cb[kMaxRun];
  uchar cr[kMaxRun];
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y - area.top()));
    // In runs, so the scratch rows stay on the stack.
    for (int left = area.left(); left <= area.right(); left += kMaxRun) {
      const int right = std::min(area.right(), left + kMaxRun - 1);
      upsample(1, y, left, right, cb);
      upsample(2, y, left, right, cr);
      const uchar* luma = m_luma.get() + std::size_t(y) * m_lumaStride;
      for (int x = left, i = 0; x <= right; ++x, ++i) {
        *out++ = toRgb(t, luma[x], cb[i], cr[i]);
      }
    }
  }
  return image;
}

QImage YccPlanes::reduced(const QRect& wanted, int factor) const {
  const QRect area = wanted & QRect(QPoint(0, 0), m_size);
  const int across = (area.width() + factor - 1) / factor;
  const int down = (area.height() + factor - 1) / factor;
  QImage image(across, down, QImage::Format_RGB888);
  if (area.isEmpty() || image.isNull() || isNull()) {
    return image;
  }
  const Tables& t = tables();
  const int chromaFactorX = factor / m_across;
  std::vector<int> luma(static_cast<std::size_t>(across));
  std::vector<int> cb(luma.size());
  std::vector<int> cr(luma.size());
  std::vector<int> lumaCount(luma.size());
  std::vector<int> chromaCount(luma.size());
  for (int oy = 0; oy < down; ++oy) {
    std::fill(luma.begin(), luma.end(), 0);
    std::fill(cb.begin(), cb.end(), 0);
    std::fill(cr.begin(), cr.end(), 0);
    std::fill(lumaCount.begin(), lumaCount.end(), 0);
    std::fill(chromaCount.begin(), chromaCount.end(), 0);
    const int top = area.top() + oy * factor;
    const int bottom = std::min(area.bottom(), top + factor - 1);
    for (int y = top; y <= bottom; ++y) {
      const uchar* in = m_luma.get() + std::size_t(y) * m_lumaStride;
      int x = area.left();
      for (int ox = 0; ox < across; ++ox) {
        const int start = x;
        const int end = std::min(area.right() + 1, x + factor);
        int sum = 0;
        for (; x < end; ++x) {
          sum += in[x];
        }
        luma[std::size_t(ox)] += sum;
        lumaCount[std::size_t(ox)] += end - start;
      }
    }
    const int chromaTop = top / m_down;
    const int chromaBottom = std::min(m_chromaHeight - 1, bottom / m_down);
    for (int y = chromaTop; y <= chromaBottom; ++y) {
      const uchar* inB = m_cb.get() + std::size_t(y) * m_chromaStride;
      const uchar* inR = m_cr.get() + std::size_t(y) * m_chromaStride;
      for (int ox = 0; ox < across; ++ox) {
        const int from = (area.left() + ox * factor) / m_across;
        const int end = std::min(m_chromaWidth, from + chromaFactorX);
        int sumB = 0;
        int sumR = 0;
        for (int x = from; x < end; ++x) {
          sumB += inB[x];
          sumR += inR[x];
        }
        cb[std::size_t(ox)] += sumB;
        cr[std::size_t(ox)] += sumR;
        chromaCount[std::size_t(ox)] += end - from;
      }
    }
    uchar* out = image.scanLine(oy);
    for (int ox = 0; ox < across; ++ox) {
      const auto i = std::size_t(ox);
      const int l = (luma[i] + lumaCount[i] / 2) / std::max(1, lumaCount[i]);
      const int n = std::max(1, chromaCount[i]);
      const int b = (cb[i] + n / 2) / n;
      const int r = (cr[i] + n / 2) / n;
      const QRgb pixel = toRgb(t, l, b, r);
      *out++ = uchar(qRed(pixel));
      *out++ = uchar(qGreen(pixel));
      *out++ = uchar(qBlue(pixel));
    }
  }
  return image;
}

}  // namespace koordel

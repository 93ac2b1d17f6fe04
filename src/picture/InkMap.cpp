#include "InkMap.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace koordel {
namespace {

// The most common of 256 levels, each counted with its neighbours so that a
// noisy paper still has one peak; the lighter level wins a tie, the paper
// being lighter than the ink.
int commonest(const std::array<qint64, 256>& histogram) {
  int mode = 255;
  qint64 best = -1;
  for (int v = 255; v >= 0; --v) {
    qint64 around = 0;
    for (int k = std::max(0, v - 2); k <= std::min(255, v + 2); ++k) {
      around += histogram[k];
    }
    if (around > best) {
      best = around;
      mode = v;
    }
  }
  return mode;
}

// Ink maps are made on every pointer move: their memory is kept for the
// next one, since handing a hundred kilobytes back to the system and taking
// them again costs more than the whole search.
thread_local std::vector<std::vector<float>> spareBuffers;

// Row `y` of a grey picture as one byte a pixel: 1-bit and palette rows
// through their colour table, into `row`.
const uchar* greyRow(const QImage& image, int y, const std::array<uchar, 256>& levels,
                     std::vector<uchar>& row) {
  const uchar* bits = image.constScanLine(y);
  if (image.format() == QImage::Format_Grayscale8) {
    return bits;
  }
  row.resize(static_cast<std::size_t>(image.width()));
  if (image.format() == QImage::Format_Mono) {
    for (int x = 0; x < image.width(); ++x) {
      row[x] = levels[(bits[x >> 3] >> (7 - (x & 7))) & 1];
    }
  } else if (image.format() == QImage::Format_MonoLSB) {
    for (int x = 0; x < image.width(); ++x) {
      row[x] = levels[(bits[x >> 3] >> (x & 7)) & 1];
    }
  } else {  // an 8-bit palette
    for (int x = 0; x < image.width(); ++x) {
      row[x] = levels[bits[x]];
    }
  }
  return row.data();
}

}  // namespace

InkMap::~InkMap() {
  if (m_ink.capacity() > 0 && spareBuffers.size() < 4) {
    spareBuffers.push_back(std::move(m_ink));
  }
}

InkMap::InkMap(const QImage& window, bool reduced)
    : m_reduced(reduced), m_width(window.width()), m_height(window.height()) {
  if (window.isNull()) {
    return;
  }
  if (!spareBuffers.empty()) {
    m_ink = std::move(spareBuffers.back());
    spareBuffers.pop_back();
  }
  m_ink.resize(static_cast<std::size_t>(m_width) * m_height);
  const QImage::Format format = window.format();
  const bool grey = format == QImage::Format_Grayscale8 || format == QImage::Format_Mono ||
                    format == QImage::Format_MonoLSB ||
                    (format == QImage::Format_Indexed8 && window.isGrayscale());
  if (grey) {
    fromGrey(window);
  } else {
    fromColour(window.convertToFormat(window.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32));
  }
  m_blank = m_blank || m_ink.empty();
}

void InkMap::fromGrey(const QImage& grey) {
  std::array<uchar, 256> levels{};
  for (int i = 0; i < grey.colorCount() && i < 256; ++i) {
    levels[i] = static_cast<uchar>(qGray(grey.color(i)));
  }
  std::vector<uchar> expanded;
  std::array<qint64, 256> histogram{};
  for (int y = 0; y < m_height; ++y) {
    const uchar* row = greyRow(grey, y, levels, expanded);
    for (int x = 0; x < m_width; ++x) {
      ++histogram[row[x]];
    }
  }
  const int paper = commonest(histogram);
  // The paper's noise from its lighter half, which no ink disturbs.
  double squares = 0;
  qint64 count = 0;
  for (int v = paper; v < 256; ++v) {
    squares += double(histogram[v]) * (v - paper) * (v - paper);
    count += histogram[v];
  }
  int darkest = 0;
  while (darkest < 255 && histogram[darkest] == 0) {
    ++darkest;
  }
  for (int y = 0; y < m_height; ++y) {
    const uchar* row = greyRow(grey, y, levels, expanded);
    float* out = m_ink.data() + static_cast<std::size_t>(y) * m_width;
    for (int x = 0; x < m_width; ++x) {
      out[x] = float(paper - row[x]);
    }
  }
  setThreshold(count > 0 ? std::sqrt(squares / count) : 0.0, paper - darkest);
}

void InkMap::fromColour(const QImage& colour) {
  const auto rgbOf = [&](int x, int y) {
    const QRgb p = reinterpret_cast<const QRgb*>(colour.constScanLine(y))[x];
    // Transparent parts show white under the picture.
    const int under = 255 - qAlpha(p);
    return std::array<int, 3>{qRed(p) + under, qGreen(p) + under, qBlue(p) + under};
  };
  const auto luma = [](const std::array<int, 3>& c) {
    return (c[0] * 77 + c[1] * 150 + c[2] * 29) >> 8;
  };
  std::array<qint64, 256> histogram{};
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      ++histogram[std::clamp(luma(rgbOf(x, y)), 0, 255)];
    }
  }
  const int paperLuma = commonest(histogram);
  std::array<double, 3> paper{};
  qint64 count = 0;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const auto c = rgbOf(x, y);
      if (std::abs(luma(c) - paperLuma) <= 3) {
        for (int k = 0; k < 3; ++k) {
          paper[k] += c[k];
        }
        ++count;
      }
    }
  }
  for (double& k : paper) {
    k /= double(std::max<qint64>(1, count));
  }
  // Distances in grey levels: a grey ink lies as far from a white paper as
  // it is darker.
  double paperSum = 0;
  double paperSquares = 0;
  double farthest = 0;
  for (int y = 0; y < m_height; ++y) {
    float* out = m_ink.data() + static_cast<std::size_t>(y) * m_width;
    for (int x = 0; x < m_width; ++x) {
      const auto c = rgbOf(x, y);
      const double dr = c[0] - paper[0];
      const double dg = c[1] - paper[1];
      const double db = c[2] - paper[2];
      const double d = std::sqrt((dr * dr + dg * dg + db * db) / 3.0);
      out[x] = float(d);
      farthest = std::max(farthest, d);
      if (std::abs(luma(c) - paperLuma) <= 3) {
        paperSum += d;
        paperSquares += d * d;
      }
    }
  }
  // Noise makes every paper pixel a little way off: that is no ink.
  const double n = double(std::max<qint64>(1, count));
  const double offset = paperSum / n;
  const double noise = std::sqrt(std::max(0.0, paperSquares / n - offset * offset));
  for (float& v : m_ink) {
    v -= float(offset);
  }
  setThreshold(noise, farthest - offset);
}

// Ink stands a few noise deviations clear of the paper, and a faint stroke
// beside dark ones still counts; where nothing stands out, nothing is ink.
void InkMap::setThreshold(double noise, double contrast) {
  const double floor = 4 * noise + (m_reduced ? 6 : 12);
  m_threshold = float(std::max(floor, std::min(0.3 * contrast, m_reduced ? 20.0 : 60.0)));
  m_blank = contrast < m_threshold;
}

float InkMap::sample(QPointF p) const {
  const double u = p.x() - 0.5;
  const double v = p.y() - 0.5;
  if (!(u > -2 && v > -2 && u < m_width + 1 && v < m_height + 1)) {
    return 0.0f;  // also whatever is not a number
  }
  const double fu = std::floor(u);
  const double fv = std::floor(v);
  const int x = static_cast<int>(fu);
  const int y = static_cast<int>(fv);
  const float ax = float(u - fu);
  const float ay = float(v - fv);
  float a, b, c, d;
  if (x >= 0 && y >= 0 && x + 1 < m_width && y + 1 < m_height) {
    const float* row = m_ink.data() + static_cast<std::size_t>(y) * m_width + x;
    a = row[0];
    b = row[1];
    c = row[m_width];
    d = row[m_width + 1];
  } else {
    a = at(x, y);
    b = at(x + 1, y);
    c = at(x, y + 1);
    d = at(x + 1, y + 1);
  }
  return (a + (b - a) * ax) * (1 - ay) + (c + (d - c) * ax) * ay;
}

}  // namespace koordel

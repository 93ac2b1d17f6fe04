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

bool isGrey(const QImage& image) {
  const QImage::Format format = image.format();
  return format == QImage::Format_Grayscale8 || format == QImage::Format_Mono ||
         format == QImage::Format_MonoLSB ||
         (format == QImage::Format_Indexed8 && image.isGrayscale());
}

QImage asRgb(const QImage& image) {
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

// Pixels this close to the commonest brightness are the paper's.
constexpr int kPaperLuma = 6;

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
  takeBuffer();
  if (isGrey(window)) {
    fromGrey(window, true);
  } else {
    fromColour(asRgb(window), true);
  }
  m_blank = m_blank || m_ink.empty();
}

InkMap::InkMap(const QImage& window, const InkMap& paperOf)
    : m_reduced(paperOf.m_reduced),
      m_colour(paperOf.m_colour),
      m_offset(paperOf.m_offset),
      m_width(window.width()),
      m_height(window.height()),
      m_threshold(paperOf.m_threshold),
      m_blank(paperOf.m_blank) {
  std::copy(std::begin(paperOf.m_paper), std::end(paperOf.m_paper), std::begin(m_paper));
  if (window.isNull()) {
    m_blank = true;
    return;
  }
  takeBuffer();
  const bool findPaper = isGrey(window) == m_colour;  // not the same picture: its own paper
  if (isGrey(window)) {
    fromGrey(window, findPaper);
  } else {
    fromColour(asRgb(window), findPaper);
  }
  m_blank = m_blank || m_ink.empty();
}

void InkMap::takeBuffer() {
  if (!spareBuffers.empty()) {
    m_ink = std::move(spareBuffers.back());
    spareBuffers.pop_back();
  }
  m_ink.resize(static_cast<std::size_t>(m_width) * m_height);
}

void InkMap::fromGrey(const QImage& grey, bool findPaper) {
  m_colour = false;
  std::array<uchar, 256> levels{};
  for (int i = 0; i < grey.colorCount() && i < 256; ++i) {
    levels[i] = static_cast<uchar>(qGray(grey.color(i)));
  }
  std::vector<uchar> expanded;
  if (findPaper) {
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
    m_paper[0] = float(paper);
    setThreshold(count > 0 ? std::sqrt(squares / count) : 0.0, paper - darkest);
  }
  for (int y = 0; y < m_height; ++y) {
    const uchar* row = greyRow(grey, y, levels, expanded);
    float* out = m_ink.data() + static_cast<std::size_t>(y) * m_width;
    for (int x = 0; x < m_width; ++x) {
      out[x] = m_paper[0] - float(row[x]);
    }
  }
}

void InkMap::fromColour(const QImage& colour, bool findPaper) {
  m_colour = true;
  // Transparent parts show white under the picture.
  const auto rgbOf = [](QRgb p) {
    const int under = 255 - qAlpha(p);
    return std::array<int, 3>{qRed(p) + under, qGreen(p) + under, qBlue(p) + under};
  };
  const auto luma = [](const std::array<int, 3>& c) {
    return std::clamp((c[0] * 77 + c[1] * 150 + c[2] * 29) >> 8, 0, 255);
  };
  const auto row = [&](int y) { return reinterpret_cast<const QRgb*>(colour.constScanLine(y)); };
  int paperLuma = 0;
  if (findPaper) {
    std::array<qint64, 256> histogram{};
    for (int y = 0; y < m_height; ++y) {
      const QRgb* in = row(y);
      for (int x = 0; x < m_width; ++x) {
        ++histogram[luma(rgbOf(in[x]))];
      }
    }
    paperLuma = commonest(histogram);
    std::array<double, 3> sum{};
    qint64 count = 0;
    for (int y = 0; y < m_height; ++y) {
      const QRgb* in = row(y);
      for (int x = 0; x < m_width; ++x) {
        const auto c = rgbOf(in[x]);
        if (std::abs(luma(c) - paperLuma) <= kPaperLuma) {
          for (int k = 0; k < 3; ++k) {
            sum[k] += c[k];
          }
          ++count;
        }
      }
    }
    for (int k = 0; k < 3; ++k) {
      m_paper[k] = float(sum[k] / double(std::max<qint64>(1, count)));
    }
    m_offset = 0;
  }
  // Distances in grey levels: a grey ink lies as far from a white paper as
  // it is darker.
  double paperSum = 0;
  double paperSquares = 0;
  qint64 paperCount = 0;
  float farthest = 0;
  for (int y = 0; y < m_height; ++y) {
    const QRgb* in = row(y);
    float* out = m_ink.data() + static_cast<std::size_t>(y) * m_width;
    for (int x = 0; x < m_width; ++x) {
      const auto c = rgbOf(in[x]);
      const float dr = float(c[0]) - m_paper[0];
      const float dg = float(c[1]) - m_paper[1];
      const float db = float(c[2]) - m_paper[2];
      const float d = std::sqrt((dr * dr + dg * dg + db * db) / 3.0f);
      out[x] = d - m_offset;
      if (findPaper) {
        farthest = std::max(farthest, d);
        if (std::abs(luma(c) - paperLuma) <= kPaperLuma) {
          paperSum += d;
          paperSquares += double(d) * d;
          ++paperCount;
        }
      }
    }
  }
  if (!findPaper) {
    return;
  }
  // Noise makes every paper pixel a little way off: that is no ink.
  const double n = double(std::max<qint64>(1, paperCount));
  m_offset = float(paperSum / n);
  const double noise = std::sqrt(std::max(0.0, paperSquares / n - double(m_offset) * m_offset));
  for (float& v : m_ink) {
    v -= m_offset;
  }
  setThreshold(noise, farthest - m_offset);
}

// Ink stands a few noise deviations clear of the paper, and a faint stroke
// beside dark ones still counts; where nothing stands out, nothing is ink.
void InkMap::setThreshold(double noise, double contrast) {
  const double floor = m_reduced ? 4 * noise + 6 : std::max(24.0, 4 * noise + 12);
  m_threshold = float(std::max(floor, std::min(0.3 * contrast, m_reduced ? 20.0 : 60.0)));
  m_blank = contrast < m_threshold;
}

}  // namespace koordel

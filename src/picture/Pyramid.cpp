#include "Pyramid.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <bit>

namespace koordel {
namespace {

bool isMono(QImage::Format f) {
  return f == QImage::Format_Mono || f == QImage::Format_MonoLSB;
}

// The grey a 1-bit picture shows for each of its two colour indices, over
// white, exactly as the toolkit would convert them.
std::array<int, 2> monoGreys(const QImage& picture) {
  QImage probe(2, 1, picture.format());
  if (picture.colorCount() > 0) {
    probe.setColorTable(picture.colorTable());
  }
  probe.setPixel(0, 0, 0);
  probe.setPixel(1, 0, 1);
  QImage white(2, 1, QImage::Format_RGB32);
  white.fill(Qt::white);
  {
    QPainter painter(&white);
    painter.drawImage(0, 0, probe);
  }
  return {qGray(white.pixel(0, 0)), qGray(white.pixel(1, 0))};
}

// Picture pixels `area` over white, as 8-bit grey or 24-bit colour.
QImage flattened(const QImage& picture, const QRect& area, bool grey) {
  const QImage::Format target = grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
  QImage piece = picture.copy(area);
  if (piece.format() == target) {
    return piece;
  }
  if (!piece.hasAlphaChannel()) {
    return piece.convertToFormat(target);
  }
  QImage over(piece.size(), QImage::Format_RGB32);
  over.fill(Qt::white);
  {
    QPainter painter(&over);
    painter.drawImage(0, 0, piece);
  }
  return over.convertToFormat(target);
}

// A 1-bit picture's pixels `area` reduced by `factor` (2 or 4) straight from
// its bits: each grey pixel counts the set bits of a factor x factor block,
// which lie in one byte of each row when the area starts on a byte. Blocks
// cut short at the area's far edges average the pixels they have.
QImage monoReduced(const QImage& picture, const QRect& area, int factor) {
  Q_ASSERT(area.left() % 8 == 0 && (factor == 2 || factor == 4));
  const int w = area.width();
  const int h = area.height();
  const int ow = (w + factor - 1) / factor;
  const int oh = (h + factor - 1) / factor;
  const auto [grey0, grey1] = monoGreys(picture);
  const bool msbFirst = picture.format() == QImage::Format_Mono;
  QImage out(ow, oh, QImage::Format_Grayscale8);
  if (out.isNull()) {
    return out;
  }
  // For every byte, the set bits of each of its 8 / factor blocks, in
  // picture order.
  const int perByte = 8 / factor;
  std::array<std::array<uchar, 4>, 256> counts{};
  for (int b = 0; b < 256; ++b) {
    for (int i = 0; i < 8; ++i) {
      const int bit = msbFirst ? (b >> (7 - i)) & 1 : (b >> i) & 1;
      counts[static_cast<std::size_t>(b)][static_cast<std::size_t>(i / factor)] +=
          static_cast<uchar>(bit);
    }
  }
  // Padding bits past the area's last column count for nothing.
  const int lastBits = w - 8 * ((w - 1) / 8);  // 1 to 8 valid bits in the last byte
  const int lastByte = (w - 1) / 8;
  const int lastMask = msbFirst ? (0xFF << (8 - lastBits)) & 0xFF : (1 << lastBits) - 1;
  const int firstByte = area.left() / 8;
  std::vector<int> ones(static_cast<std::size_t>(ow));
  for (int oy = 0; oy < oh; ++oy) {
    std::fill(ones.begin(), ones.end(), 0);
    const int rows = std::min(factor, h - factor * oy);
    for (int r = 0; r < rows; ++r) {
      const uchar* line = picture.constScanLine(area.top() + factor * oy + r) + firstByte;
      for (int byte = 0; byte <= lastByte; ++byte) {
        const int bits = byte == lastByte ? line[byte] & lastMask : line[byte];
        const auto& c = counts[static_cast<std::size_t>(bits)];
        for (int i = 0; i < perByte; ++i) {
          const int ox = byte * perByte + i;
          if (ox < ow) {
            ones[static_cast<std::size_t>(ox)] += c[static_cast<std::size_t>(i)];
          }
        }
      }
    }
    uchar* target = out.scanLine(oy);
    for (int ox = 0; ox < ow; ++ox) {
      const int columns = std::min(factor, w - factor * ox);
      const int n = rows * columns;
      const int set = ones[static_cast<std::size_t>(ox)];
      target[ox] = static_cast<uchar>((set * grey1 + (n - set) * grey0 + n / 2) / n);
    }
  }
  return out;
}

// An image of 8-bit grey or 24-bit colour at half the size, each pixel the
// average of the (up to) four it covers.
QImage halved(const QImage& image) {
  const bool grey = image.format() == QImage::Format_Grayscale8;
  const int channels = grey ? 1 : 3;
  const int w = image.width();
  const int h = image.height();
  QImage out((w + 1) / 2, (h + 1) / 2, image.format());
  if (out.isNull()) {
    return out;
  }
  for (int oy = 0; oy < out.height(); ++oy) {
    const uchar* a = image.constScanLine(2 * oy);
    const uchar* b = image.constScanLine(std::min(2 * oy + 1, h - 1));
    uchar* target = out.scanLine(oy);
    for (int ox = 0; ox < out.width(); ++ox) {
      const int x0 = 2 * ox * channels;
      const int x1 = std::min(2 * ox + 1, w - 1) * channels;
      for (int c = 0; c < channels; ++c) {
        target[ox * channels + c] =
            static_cast<uchar>((a[x0 + c] + a[x1 + c] + b[x0 + c] + b[x1 + c] + 2) / 4);
      }
    }
  }
  return out;
}

// A row of `w` pixels of `channels` bytes halved, from rows `a` and `b`
// (the same one at an odd bottom edge): each pixel the average of four, the
// last on its own at an odd right edge, exactly as halved() makes it.
template <int kChannels>
void halveRow(const uchar* a, const uchar* b, int w, uchar* out) {
  const int pairs = w / 2;
  for (int ox = 0; ox < pairs; ++ox) {
    const uchar* pa = a + 2 * ox * kChannels;
    const uchar* pb = b + 2 * ox * kChannels;
    for (int c = 0; c < kChannels; ++c) {
      out[ox * kChannels + c] =
          static_cast<uchar>((pa[c] + pa[kChannels + c] + pb[c] + pb[kChannels + c] + 2) / 4);
    }
  }
  if (w % 2 == 1) {
    const int x = (w - 1) * kChannels;
    for (int c = 0; c < kChannels; ++c) {
      out[pairs * kChannels + c] = static_cast<uchar>((2 * a[x + c] + 2 * b[x + c] + 2) / 4);
    }
  }
}

// The pixels `area` of an 8-bit grey or 24-bit colour picture halved once
// or twice, straight from its rows: the pixels halved() gives from a copy
// of them, with no copy, and of the half-way image two rows at a time. The
// reduced copies of a picture arriving are made this way, behind its
// decode.
template <int kChannels>
QImage halvedInPlace(const QImage& picture, const QRect& area, int factor) {
  const int w = area.width();
  const int h = area.height();
  const auto row = [&](int y) {
    return picture.constScanLine(area.top() + std::min(y, h - 1)) + area.left() * kChannels;
  };
  const int w1 = (w + 1) / 2;
  const int h1 = (h + 1) / 2;
  if (factor == 2) {
    QImage out(w1, h1, picture.format());
    for (int oy = 0; !out.isNull() && oy < h1; ++oy) {
      halveRow<kChannels>(row(2 * oy), row(2 * oy + 1), w, out.scanLine(oy));
    }
    return out;
  }
  const int h2 = (h1 + 1) / 2;
  QImage out((w1 + 1) / 2, h2, picture.format());
  std::vector<uchar> upper(static_cast<std::size_t>(w1) * kChannels);
  std::vector<uchar> lower(upper.size());
  for (int oy = 0; !out.isNull() && oy < h2; ++oy) {
    const int i0 = 2 * oy;
    const int i1 = std::min(2 * oy + 1, h1 - 1);
    halveRow<kChannels>(row(2 * i0), row(2 * i0 + 1), w, upper.data());
    halveRow<kChannels>(row(2 * i1), row(2 * i1 + 1), w, lower.data());
    halveRow<kChannels>(upper.data(), lower.data(), w1, out.scanLine(oy));
  }
  return out;
}

}  // namespace

int Pyramid::firstKeptFor(QSize size, bool grey) {
  const qint64 quarter = qint64(size.width() / 4 + 1) * (size.height() / 4 + 1) * (grey ? 1 : 3);
  return quarter > kLargestQuarter ? kFirstKept + 1 : kFirstKept;
}

bool Pyramid::isGrey(const QImage& picture) {
  switch (picture.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      return true;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
      for (QRgb c : picture.colorTable()) {
        if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c)) {
          return false;
        }
      }
      return true;
    default:
      return false;
  }
}

Pyramid Pyramid::fromLevel(QImage level, int first, const std::atomic<bool>* cancel) {
  Pyramid pyramid;
  pyramid.m_first = first;
  if (level.isNull()) {
    return pyramid;
  }
  pyramid.m_levels.push_back(std::move(level));
  pyramid.addFinerLevels(cancel);
  return pyramid;
}

QImage Pyramid::reducedPart(const QImage& picture, const QRect& area, int factor) {
  if (isMono(picture.format()) && area.left() % 8 == 0) {
    return monoReduced(picture, area & picture.rect(), factor);
  }
  const QRect part = area & picture.rect();
  const bool straight =
      picture.format() == QImage::Format_Grayscale8 || picture.format() == QImage::Format_RGB888;
  if (!part.isEmpty() && straight && factor >= 2) {
    // Twice from the picture's rows, then the (sixteen times smaller)
    // rest the usual way.
    QImage reduced = picture.format() == QImage::Format_Grayscale8
                         ? halvedInPlace<1>(picture, part, std::min(factor, 4))
                         : halvedInPlace<3>(picture, part, std::min(factor, 4));
    for (int f = factor / 4; f > 1; f /= 2) {
      reduced = halved(reduced);
    }
    return reduced;
  }
  QImage reduced = flattened(picture, area & picture.rect(), isGrey(picture));
  for (int f = factor; f > 1; f /= 2) {
    reduced = halved(reduced);
  }
  return reduced;
}

namespace {

// Picture rows reduced at a time: a few hundred kilobytes of a strip.
constexpr int kRowsAtOnce = 64;

}  // namespace

GrowingLevel::GrowingLevel(QSize size, bool grey, int first) : m_size(size), m_first(first) {
  const int factor = 1 << first;
  if (size.isEmpty()) {
    return;
  }
  m_image = QImage((size.width() + factor - 1) / factor, (size.height() + factor - 1) / factor,
                   grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  if (!m_image.isNull()) {
    m_bits = m_image.bits();
    m_stride = m_image.bytesPerLine();
    m_ready = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(m_image.height()));
  }
}

RowRuns GrowingLevel::readyRuns() const {
  RowRuns runs;
  const int height = m_image.height();
  for (int r = 0; r < height;) {
    if (!isReady(r)) {
      ++r;
      continue;
    }
    int end = r + 1;
    while (end < height && isReady(end)) {
      ++end;
    }
    runs.add(r, end);
    r = end;
  }
  return runs;
}

std::pair<int, int> GrowingLevel::takeNews() {
  const std::pair<int, int> news =
      m_newsFirst < m_newsEnd ? std::pair{m_newsFirst, m_newsEnd} : std::pair{0, 0};
  m_newsFirst = INT_MAX;
  m_newsEnd = 0;
  return news;
}

// Level rows [from, to), none of them taken yet: false when they could not
// be reduced (memory ran short).
bool GrowingLevel::take(int from, int to, const std::function<QImage(const QRect&, int)>& reduced) {
  const int factor = 1 << m_first;
  const int top = from * factor;
  const int bottom = std::min(m_size.height(), to * factor);
  const QImage rows = reduced(QRect(0, top, m_size.width(), bottom - top), factor);
  for (int r = 0; r < rows.height() && from + r < to; ++r) {
    std::copy_n(rows.constScanLine(r), std::min(rows.bytesPerLine(), m_stride),
                m_bits + (from + r) * m_stride);
    m_ready[static_cast<std::size_t>(from + r)].store(true, std::memory_order_release);
    ++m_complete;
  }
  m_newsFirst = std::min(m_newsFirst, top);
  m_newsEnd = std::max(m_newsEnd, bottom);
  return rows.height() >= to - from;
}

bool GrowingLevel::grow(const RowRuns& arrived,
                        const std::function<QImage(const QRect&, int)>& reduced,
                        const std::atomic<bool>* cancel) {
  const int factor = 1 << m_first;
  const int chunk = std::max(1, kRowsAtOnce / factor);
  for (const RowRuns::Run& run : arrived.runs()) {
    // The level rows whose picture rows all lie in the run.
    const int from = (run.first + factor - 1) / factor;
    const int to = run.end >= m_size.height() ? m_image.height() : run.end / factor;
    for (int r = from; r < to;) {
      if (isReady(r)) {
        ++r;
        continue;
      }
      if (cancel && cancel->load(std::memory_order_relaxed)) {
        return false;
      }
      int end = r + 1;
      while (end < to && end - r < chunk && !isReady(end)) {
        ++end;
      }
      if (!take(r, end, reduced)) {
        return false;  // tried again, it would most likely fail again
      }
      r = end;
    }
  }
  return true;
}

void Pyramid::addFinerLevels(const std::atomic<bool>* cancel) {
  for (int k = m_first + 1; k <= kDeepest; ++k) {
    const QImage& previous = m_levels.back();
    if (previous.width() <= 1 && previous.height() <= 1) {
      break;
    }
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      m_levels.clear();
      return;
    }
    m_levels.push_back(halved(previous));
  }
}

Pyramid Pyramid::build(const QImage& picture, const std::atomic<bool>* cancel) {
  // In strips, so that level 1 never exists whole.
  const int first = firstKeptFor(picture.size(), isGrey(picture));
  GrowingLevel level(picture.size(), isGrey(picture), first);
  const auto reduced = [&picture](const QRect& area, int factor) {
    return reducedPart(picture, area, factor);
  };
  RowRuns whole;
  whole.add(0, picture.height());
  if (level.isNull() || !level.grow(whole, reduced, cancel)) {
    return {};
  }
  return fromLevel(level.image(), first, cancel);
}

const QImage& Pyramid::level(int k) const {
  static const QImage none;
  const int i = k - m_first;
  if (i < 0 || i >= static_cast<int>(m_levels.size())) {
    return none;
  }
  return m_levels[static_cast<std::size_t>(i)];
}

qsizetype Pyramid::bytes() const {
  qsizetype total = 0;
  for (const QImage& l : m_levels) {
    total += l.sizeInBytes();
  }
  return total;
}

}  // namespace koordel

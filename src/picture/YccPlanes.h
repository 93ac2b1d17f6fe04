#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

namespace koordel {

// A colour JPEG as its decoder leaves it: luma at full size, the two chroma
// planes at the file's subsampling (half across, half down, or both), a
// half to a third of the memory of RGB. Pixels are converted on their way
// to the screen exactly as libjpeg-turbo converts a whole decode: its
// "fancy" triangle upsampling and its fixed-point YCbCr to RGB.
class YccPlanes {
 public:
  YccPlanes() = default;
  // A picture of `size` whose chroma is 1/`across` as wide and 1/`down` as
  // high (each 1 or 2); each plane has room for `paddedHeight` luma rows
  // (whole MCU rows) and `lumaStride` / `chromaStride` bytes a row.
  YccPlanes(QSize size, int across, int down, int lumaStride, int chromaStride, int paddedHeight);

  bool isNull() const { return !m_luma; }
  QSize size() const { return m_size; }
  qsizetype bytes() const;
  // Bytes plane `plane` (0 luma, 1 and 2 chroma) takes, from row(plane, 0) on.
  qsizetype planeBytes(int plane) const;

  // Where the decoder writes: row `row` of a plane (0 luma, 1 Cb, 2 Cr).
  uchar* row(int plane, int row);

  // The pixels `area` (within the picture) as RGB32.
  QImage rgb(const QRect& area) const;

  // The pixels `area` reduced `factor` times (2, 4, 8...) as 24-bit RGB,
  // each pixel from the average luma and chroma of the block it covers
  // (blocks at the picture's edge count what they hold). The area's corner
  // lies on a multiple of `factor`.
  QImage reduced(const QRect& area, int factor) const;

  // Whether a subsampling can be held this way (others are decoded to RGB).
  static bool holds(int across, int down) {
    return (across == 1 || across == 2) && (down == 1 || down == 2);
  }

 private:
  static constexpr int kMaxRun = 1024;  // pixels converted at a time

  const uchar* chromaRow(int plane, int row) const;
  void upsample(int plane, int y, int x0, int x1, uchar* out) const;

  QSize m_size;
  int m_across = 1;
  int m_down = 1;
  int m_lumaStride = 0;
  int m_chromaStride = 0;
  int m_chromaWidth = 0;  // columns the decoder really has, not the padding
  int m_chromaHeight = 0;
  int m_paddedHeight = 0;
  std::unique_ptr<uchar[]> m_luma;
  std::unique_ptr<uchar[]> m_cb;
  std::unique_ptr<uchar[]> m_cr;
};

}  // namespace koordel

#pragma once

// Pictures as scanners write them, for the benchmarks that open files: the
// sheet of BenchPictures.h drawn with soft edges on paper that is never
// quite white, noise in every pixel. Such files compress far less than a
// clean drawing: a grey A0 sheet is about 130 MB, not 1 MB. Made on first
// use (a few seconds) and kept in the temporary folder.
#include "BenchPictures.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

namespace scans {

inline const QSize kA0(13244, 18724);
// Rows of a strip as scanners and the toolkit write them: 4 MB of pixels.
constexpr int kStripRows = 316;
constexpr int kTile = 256;

// A quick generator of the noise: a xorshift, the same numbers every run.
struct Noise {
  std::uint32_t state;
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

// The line work, antialiased, as the paper takes it: 255 paper, 0 ink.
inline QImage lineWork() {
  return sheetLike(kA0, QImage::Format_Grayscale8, true);
}

// The sheet as a grey scan: paper 236 to 250 (mostly near 243) and ink 20
// to 43, each pixel its own, the strokes' soft edges in between.
inline QImage greyScan(const QImage& lines) {
  QImage scan = lines;
  Noise noise{2463534242u};
  for (int y = 0; y < scan.height(); ++y) {
    uchar* row = scan.scanLine(y);
    for (int x = 0; x < scan.width(); ++x) {
      const std::uint32_t n = noise.next();
      const int paper = 236 + int(n & 7) + int(n >> 3 & 7);
      const int ink = 20 + int((n >> 8) % 24);
      row[x] = uchar((row[x] * paper + (255 - row[x]) * ink + 127) / 255);
    }
  }
  return scan;
}

// Written whole or not at all: a benchmark stopped half-way leaves no file
// that the next run would take for a picture.
inline bool writeGreyTiff(const QString& path, const QImage& grey, bool tiled) {
  const QString part = path + QStringLiteral(".part");
  TIFF* tiff = TIFFOpen(QFile::encodeName(part).constData(), "w");
  if (!tiff) {
    return false;
  }
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, grey.width());
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, grey.height());
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 400.0);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 400.0);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  bool ok = true;
  if (tiled) {
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, kTile);
    std::vector<uchar> tile(std::size_t(kTile) * kTile);
    for (int y = 0; ok && y < grey.height(); y += kTile) {
      for (int x = 0; ok && x < grey.width(); x += kTile) {
        std::fill(tile.begin(), tile.end(), uchar(0));
        for (int i = 0; i < kTile && y + i < grey.height(); ++i) {
          std::memcpy(tile.data() + std::size_t(i) * kTile, grey.constScanLine(y + i) + x,
                      std::size_t(std::min(kTile, grey.width() - x)));
        }
        ok = TIFFWriteTile(tiff, tile.data(), uint32_t(x), uint32_t(y), 0, 0) >= 0;
      }
    }
  } else {
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kStripRows);
    std::vector<uchar> strip(std::size_t(grey.width()) * kStripRows);
    for (int y = 0; ok && y < grey.height(); y += kStripRows) {
      const int rows = std::min(kStripRows, grey.height() - y);
      for (int i = 0; i < rows; ++i) {
        std::memcpy(strip.data() + std::size_t(i) * grey.width(), grey.constScanLine(y + i),
                    std::size_t(grey.width()));
      }
      ok = TIFFWriteEncodedStrip(tiff, uint32_t(y / kStripRows), strip.data(),
                                 tmsize_t(rows) * grey.width()) >= 0;
    }
  }
  TIFFClose(tiff);
  return ok && (!QFile::exists(path) || QFile::remove(path)) && QFile::rename(part, path);
}

// A colour map scanned at 400 dpi: the line work over tinted areas, each
// channel with noise of its own, 4:2:0 at quality 92.
inline bool writeMapJpeg(const QString& path, const QImage& lines) {
  const QString part = path + QStringLiteral(".part");
  std::FILE* file = std::fopen(QFile::encodeName(part).constData(), "wb");
  if (!file) {
    return false;
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = JDIMENSION(lines.width());
  info.image_height = JDIMENSION(lines.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  jpeg_start_compress(&info, TRUE);
  Noise noise{88675123u};
  std::vector<uchar> row(std::size_t(lines.width()) * 3);
  static const QRgb tints[] = {qRgb(0xf4, 0xee, 0xd8), qRgb(0xd8, 0xec, 0xc8),
                               qRgb(0xc8, 0xde, 0xf0), qRgb(0xf6, 0xd8, 0xc8),
                               qRgb(0xe8, 0xe8, 0xe8)};
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    const uchar* grey = lines.constScanLine(y);
    for (int x = 0; x < lines.width(); ++x) {
      const QRgb tint = tints[((x / 1400) * 3 + (y / 1100) * 7 + (x / 700 + y / 900) % 2) % 5];
      const std::uint32_t n = noise.next();
      const auto channel = [&](int c, int shift) {
        return uchar(std::clamp(c * grey[x] / 255 + int((n >> shift) % 21) - 10, 0, 255));
      };
      row[std::size_t(x) * 3] = channel(qRed(tint), 0);
      row[std::size_t(x) * 3 + 1] = channel(qGreen(tint), 8);
      row[std::size_t(x) * 3 + 2] = channel(qBlue(tint), 16);
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0 && (!QFile::exists(path) || QFile::remove(path)) &&
         QFile::rename(part, path);
}

inline QString kept(const char* name) {
  return QDir::temp().filePath(QStringLiteral("koordel-bench-") + QString::fromLatin1(name));
}

// The grey scan in strips (LZW, 316 rows), the same in tiles (256 x 256,
// Deflate) and the colour map (JPEG): the paths, each made if missing, the
// three from one drawing, written side by side.
struct Scans {
  QString strips = kept("scan-grey-lzw.tif");
  QString tiles = kept("scan-grey-tiled.tif");
  QString map = kept("scan-map.jpg");
};

inline Scans scannedSheets() {
  Scans scans;
  if (QFile::exists(scans.strips) && QFile::exists(scans.tiles) && QFile::exists(scans.map)) {
    return scans;
  }
  const QImage lines = lineWork();
  const QImage grey = greyScan(lines);
  bool stripsOk = true;
  bool tilesOk = true;
  bool mapOk = true;
  std::thread strips(
      [&] { stripsOk = QFile::exists(scans.strips) || writeGreyTiff(scans.strips, grey, false); });
  std::thread tiles(
      [&] { tilesOk = QFile::exists(scans.tiles) || writeGreyTiff(scans.tiles, grey, true); });
  mapOk = QFile::exists(scans.map) || writeMapJpeg(scans.map, lines);
  strips.join();
  tiles.join();
  if (!stripsOk || !tilesOk || !mapOk) {
    qFatal("cannot write the scanned sheets into %s", qPrintable(QDir::tempPath()));
  }
  return scans;
}

}  // namespace scans

#pragma once

// Pictures made for the decoder tests: JPEGs with chosen sampling, scans and
// EXIF orientation, patterned pictures, tiled and bomb TIFFs, and libjpeg's
// own decode to compare against.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

namespace {

struct JpegOptions {
  int across = 2;  // luma samples per chroma sample, across and down
  int down = 2;
  bool grey = false;
  int restartRows = 0;
  bool progressive = false;
};

// Colour that changes fast in both directions, so every chroma neighbour
// counts in the upsampling.
inline QRgb sample(int x, int y) {
  const unsigned h = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u);
  return qRgb(int((x * 5 + (h & 31)) & 255), int((y * 7 + (h >> 5 & 63)) & 255),
              int(((x + y) * 3 + (h >> 11 & 15)) & 255));
}

// `exif`, when not empty, goes into an APP1 segment.
inline QByteArray writeJpeg(QSize size, const JpegOptions& options, const QByteArray& exif = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  jpeg_mem_dest(&info, &buffer, &length);
  info.image_width = JDIMENSION(size.width());
  info.image_height = JDIMENSION(size.height());
  info.input_components = options.grey ? 1 : 3;
  info.in_color_space = options.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (!options.grey) {
    info.comp_info[0].h_samp_factor = options.across;
    info.comp_info[0].v_samp_factor = options.down;
  }
  info.restart_in_rows = options.restartRows;
  if (options.progressive) {
    jpeg_simple_progression(&info);
  }
  jpeg_start_compress(&info, TRUE);
  if (!exif.isEmpty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                      unsigned(exif.size()));
  }
  std::vector<uchar> row(std::size_t(size.width()) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    for (int x = 0; x < size.width(); ++x) {
      const QRgb c = sample(x, y);
      if (options.grey) {
        row[std::size_t(x)] = uchar(qGray(c));
      } else {
        row[std::size_t(x) * 3] = uchar(qRed(c));
        row[std::size_t(x) * 3 + 1] = uchar(qGreen(c));
        row[std::size_t(x) * 3 + 2] = uchar(qBlue(c));
      }
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(length));
  std::free(buffer);
  return bytes;
}

// EXIF data, little-endian, whose first directory lies at `directory` and
// holds `entries` entries, the first of them the orientation.
inline QByteArray exif(quint32 directory, quint16 entries, quint16 orientation) {
  QByteArray bytes("Exif\0\0II*\0", 10);
  const auto put = [&bytes](quint64 value, int length) {
    for (int i = 0; i < length; ++i) {
      bytes.append(char(value >> (8 * i) & 0xff));
    }
  };
  put(directory, 4);
  put(entries, 2);
  put(0x0112, 2);  // orientation: a SHORT, one of it
  put(3, 2);
  put(1, 4);
  put(orientation, 4);
  put(0, 4);  // no next directory
  return bytes;
}

// A picture with something in every pixel, in `format`.
inline QImage pattern(QSize size, QImage::Format format) {
  QImage image(size, QImage::Format_ARGB32);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const QRgb c = sample(x, y);
      image.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), (x * 11 + y) & 255));
    }
  }
  if (format == QImage::Format_Mono) {
    return image.convertToFormat(format, Qt::ThresholdDither);
  }
  if (format == QImage::Format_Indexed8) {
    return image.convertToFormat(QImage::Format_RGB32).convertToFormat(format, Qt::ThresholdDither);
  }
  return image.convertToFormat(format);
}

// The CRC a PNG chunk ends with.
inline quint32 crc32(const QByteArray& bytes) {
  quint32 crc = 0xffffffffu;
  for (const char byte : bytes) {
    crc ^= uchar(byte);
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

// A tiled 8-bit grey TIFF, as some scanners and GIS programs write them.
inline bool writeTiledTiff(const QString& path, const QImage& grey) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) {
    return false;
  }
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, grey.width());
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, grey.height());
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 64);
  TIFFSetField(tiff, TIFFTAG_TILELENGTH, 32);
  std::vector<uchar> tile(64 * 32);
  for (int y = 0; y < grey.height(); y += 32) {
    for (int x = 0; x < grey.width(); x += 64) {
      std::fill(tile.begin(), tile.end(), uchar(0));
      for (int i = 0; i < 32 && y + i < grey.height(); ++i) {
        const int n = std::min(64, grey.width() - x);
        std::memcpy(tile.data() + i * 64, grey.constScanLine(y + i) + x, std::size_t(n));
      }
      if (TIFFWriteTile(tiff, tile.data(), uint32_t(x), uint32_t(y), 0, 0) < 0) {
        TIFFClose(tiff);
        return false;
      }
    }
  }
  TIFFClose(tiff);
  return true;
}

// A grey, 24-bit colour or 1-bit picture as scanners write it: LZW strips
// of `rowsPerStrip` rows, or Deflate tiles `tile` pixels a side (when not
// 0); with `backwards`, the pieces lie in the file last to first.
inline bool writeScanTiff(const QString& path, const QImage& picture, int rowsPerStrip, int tile,
                          bool backwards) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) {
    return false;
  }
  const bool mono = picture.format() == QImage::Format_Mono;
  const bool rgb = picture.format() == QImage::Format_RGB888;
  const int rowBytes = mono ? (picture.width() + 7) / 8 : picture.width() * (rgb ? 3 : 1);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width());
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height());
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, mono ? 1 : 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, rgb ? 3 : 1);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  // A 1-bit picture's first colour says what a 0 bit is.
  const bool zeroIsWhite = mono && qGray(picture.color(0)) > 127;
  TIFFSetField(
      tiff, TIFFTAG_PHOTOMETRIC,
      rgb ? PHOTOMETRIC_RGB : (zeroIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK));
  const int down = tile ? tile : rowsPerStrip;
  const int across = tile ? tile : picture.width();
  const int pieceBytes = tile ? (mono ? tile / 8 : tile * (rgb ? 3 : 1)) : rowBytes;
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, tile ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_LZW);
  if (tile) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, tile);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, tile);
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  }
  const int columns = (picture.width() + across - 1) / across;
  const int rows = (picture.height() + down - 1) / down;
  const int pieces = columns * rows;
  bool ok = true;
  for (int k = 0; ok && k < pieces; ++k) {
    const int piece = backwards ? pieces - 1 - k : k;
    const int y = piece / columns * down;
    const int x = piece % columns * across;
    const int lines = tile ? tile : std::min(down, picture.height() - y);
    std::vector<uchar> bytes(std::size_t(pieceBytes) * std::size_t(lines), uchar(0));
    for (int i = 0; i < lines && y + i < picture.height(); ++i) {
      const int offset = mono ? x / 8 : x * (rgb ? 3 : 1);
      const int n = std::min(pieceBytes, rowBytes - offset);
      std::memcpy(bytes.data() + std::size_t(i) * std::size_t(pieceBytes),
                  picture.constScanLine(y + i) + offset, std::size_t(n));
    }
    ok = (tile ? TIFFWriteEncodedTile(tiff, uint32_t(piece), bytes.data(), tmsize_t(bytes.size()))
               : TIFFWriteEncodedStrip(tiff, uint32_t(piece), bytes.data(),
                                       tmsize_t(bytes.size()))) >= 0;
  }
  TIFFClose(tiff);
  return ok;
}

// What byte `i` of a hand-written tile holds.
inline uchar tileByte(quint32 i) {
  return uchar(i * 7 + i / 251);
}

// A 16 x 16 grey TIFF, uncompressed, in one tile of `tile` x `tile` pixels,
// written by hand. A tile of common size is all there; of a larger one the
// file holds only 256 bytes, as no writer would make it (about 400 bytes in
// all, whatever the tile).
inline QByteArray oneTileTiff(quint32 tile) {
  const quint32 tileBytes = tile <= 1024 ? tile * tile : 256;
  QByteArray bytes("II*\0", 4);
  const auto put = [&bytes](quint32 value, int length) {
    for (int i = 0; i < length; ++i) {
      bytes.append(char(value >> (8 * i) & 0xff));
    }
  };
  struct Entry {
    quint16 tag;
    quint16 type;  // 3 SHORT, 4 LONG
    quint32 value;
  };
  constexpr quint32 kEntries = 10;
  constexpr quint32 kTileAt = 8 + 2 + 12 * kEntries + 4;  // right after the directory
  const Entry entries[kEntries] = {
      {256, 4, 16}, {257, 4, 16},   {258, 3, 8},    {259, 3, 1},       {262, 3, 1},
      {277, 3, 1},  {322, 4, tile}, {323, 4, tile}, {324, 4, kTileAt}, {325, 4, tileBytes},
  };
  put(8, 4);
  put(kEntries, 2);
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(1, 4);
    put(e.value, 4);
  }
  put(0, 4);  // no next directory
  for (quint32 i = 0; i < tileBytes; ++i) {
    bytes.append(char(tileByte(i)));
  }
  return bytes;
}

// libjpeg-turbo's own whole decode, in its default (fancy) upsampling.
inline QImage libjpegRgb(const QByteArray& bytes) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  QImage image(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.scanLine(int(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image.convertToFormat(QImage::Format_RGB32);
}

inline bool save(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

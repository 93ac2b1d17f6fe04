#include "TiffDecoder.h"

#include "PictureLoader.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

#include <tiffio.h>

namespace koordel {
namespace {

// libtiff's complaints stay with the file they are about, not on stderr.
int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

// The side of the largest tile writers use whatever the picture's size.
constexpr qint64 kCommonTile = 1024;

}  // namespace

struct TiffDecoder::State {
  QString path;
  TIFF* tiff = nullptr;
  QSize size;
  QImage::Format format = QImage::Format_Invalid;
  QList<QRgb> colours;
  bool tiled = false;
  quint32 tileWidth = 0;
  quint32 tileLength = 0;

  ~State() {
    if (tiff) {
      TIFFClose(tiff);
    }
  }
};

bool TiffDecoder::recognises(const QString& path) {
  return fileStartsWith(path, QByteArrayView("II*\0", 4)) ||
         fileStartsWith(path, QByteArrayView("MM\0*", 4));
}

TiffDecoder::TiffDecoder(std::unique_ptr<State> state) : m_state(std::move(state)) {}

TiffDecoder::~TiffDecoder() = default;

std::unique_ptr<TiffDecoder> TiffDecoder::open(const QString& path, qint64 limitBytes,
                                               QString& error) {
  error.clear();
  auto state = std::make_unique<State>();
  state->path = path;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  // "m": read, never map. A mapped file that another program shortens
  // meanwhile (a scanner tool saving over it) ends the program at the first
  // byte past its new end; a read just comes back short.
  state->tiff = TIFFOpenExt(QFile::encodeName(path).constData(), "rm", options);
  TIFFOpenOptionsFree(options);
  TIFF* tiff = state->tiff;
  if (!tiff) {
    return nullptr;  // the toolkit's reader says what is wrong with it
  }
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t photometric = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) ||
      !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) || width == 0 || height == 0 ||
      width > uint32_t(INT_MAX) || height > uint32_t(INT_MAX)) {
    return nullptr;
  }
  state->size = QSize(int(width), int(height));
  if (qint64(width) * height * 4 > limitBytes) {
    error = tooLargeMessage(state->size);
    return nullptr;
  }
  uint16_t bits = 1;
  uint16_t samples = 1;
  uint16_t planar = PLANARCONFIG_CONTIG;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  uint16_t extra = 0;
  uint16_t* extraKinds = nullptr;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extra, &extraKinds);
  if (orientation != ORIENTATION_TOPLEFT || extra != 0) {
    return nullptr;
  }
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  if (grey && bits == 1 && samples == 1) {
    state->format = QImage::Format_Mono;
    state->colours = photometric == PHOTOMETRIC_MINISBLACK
                         ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                         : QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)};
  } else if (photometric == PHOTOMETRIC_MINISBLACK && bits == 8 && samples == 1) {
    state->format = QImage::Format_Grayscale8;
  } else if (photometric == PHOTOMETRIC_MINISWHITE && bits == 8 && samples == 1) {
    state->format = QImage::Format_Indexed8;
    for (int i = 0; i < 256; ++i) {
      state->colours << qRgb(255 - i, 255 - i, 255 - i);
    }
  } else if (photometric == PHOTOMETRIC_PALETTE && bits == 8 && samples == 1) {
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) {
      return nullptr;
    }
    state->format = QImage::Format_Indexed8;
    for (int i = 0; i < 256; ++i) {
      state->colours << qRgb(red[i] / 257, green[i] / 257, blue[i] / 257);
    }
  } else if (photometric == PHOTOMETRIC_RGB && bits == 8 && samples == 3 &&
             planar == PLANARCONFIG_CONTIG) {
    state->format = QImage::Format_RGB888;
  } else {
    return nullptr;
  }
  state->tiled = TIFFIsTiled(tiff);
  if (state->tiled) {
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &state->tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &state->tileLength);
    if (state->tileWidth == 0 || state->tileLength == 0 || state->tileWidth % 16 != 0 ||
        state->tileLength % 16 != 0) {
      return nullptr;
    }
    // A tile is read whole into memory, and its size is the file's word: a
    // few hundred bytes can ask for a terabyte. Writers make tiles no larger
    // than the picture rounded up to the 16-pixel grain, or of a standard
    // size (256 or 512 a side) for a picture smaller than one.
    const auto rounded = [](quint32 n) { return (qint64(n) + 15) / 16 * 16; };
    const qint64 largest =
        std::max(qint64(kCommonTile) * kCommonTile, rounded(width) * rounded(height));
    if (qint64(state->tileWidth) * state->tileLength > largest) {
      error = damagedMessage(path);
      return nullptr;
    }
  }
  return std::unique_ptr<TiffDecoder>(new TiffDecoder(std::move(state)));
}

QString TiffDecoder::path() const {
  return m_state->path;
}

QSize TiffDecoder::size() const {
  return m_state->size;
}

bool TiffDecoder::prepare(PixelStore& store) {
  store.image = QImage(m_state->size, m_state->format);
  if (store.image.isNull()) {
    return false;
  }
  if (!m_state->colours.isEmpty()) {
    store.image.setColorTable(m_state->colours);
  }
  return true;
}

PictureDecoder::Result TiffDecoder::decode(PixelStore& store, const std::function<void(int)>& rows,
                                           const std::function<bool()>& cancelled) {
  State& s = *m_state;
  const int height = s.size.height();
  // Bytes that `pixels` of a row take.
  const auto bytesFor = [&s](qsizetype pixels) {
    return s.format == QImage::Format_Mono ? (pixels + 7) / 8
                                           : pixels * (s.format == QImage::Format_RGB888 ? 3 : 1);
  };
  const qsizetype rowBytes = bytesFor(s.size.width());
  const Result damaged{damagedMessage(s.path), {}};
  if (!s.tiled) {
    if (TIFFScanlineSize(s.tiff) > store.stride) {
      return damaged;
    }
    for (int y = 0; y < height; ++y) {
      if ((y & 63) == 0 && cancelled()) {
        return {};
      }
      if (TIFFReadScanline(s.tiff, store.row(y), uint32_t(y), 0) < 0) {
        return damaged;
      }
      if ((y & 15) == 15) {
        rows(y + 1);
      }
    }
    rows(height);
    return {};
  }
  // A row of tiles at a time, each copied into the rows it covers.
  const tmsize_t tileBytes = TIFFTileSize(s.tiff);
  const qsizetype tileRowBytes = bytesFor(s.tileWidth);
  if (tileBytes <= 0 || tileBytes / qsizetype(s.tileLength) < tileRowBytes) {
    return damaged;
  }
  std::vector<uchar> tile(static_cast<std::size_t>(tileBytes));
  for (int y = 0; y < height; y += int(s.tileLength)) {
    if (cancelled()) {
      return {};
    }
    const int lines = std::min(int(s.tileLength), height - y);
    for (qsizetype x = 0; x < s.size.width(); x += s.tileWidth) {
      if (TIFFReadTile(s.tiff, tile.data(), uint32_t(x), uint32_t(y), 0, 0) < 0) {
        return damaged;
      }
      const qsizetype offset = bytesFor(x);  // x lies on a byte: tiles are 16 pixels wide at least
      const qsizetype width = std::min(tileRowBytes, rowBytes - offset);
      for (int i = 0; i < lines; ++i) {
        std::memcpy(store.row(y + i) + offset, tile.data() + i * tileRowBytes, std::size_t(width));
      }
    }
    rows(y + lines);
  }
  return {};
}

}  // namespace koordel

#include "TiffDecoder.h"

#include "BandOrder.h"
#include "PictureLoader.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
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

// A band is at least this many rows: a few strips of a file written a row a
// strip are taken together.
constexpr int kLeastBandRows = 64;

// Rows decoded between two looks at whether to go on.
constexpr int kRowsBetweenLooks = 16;

TIFF* openQuietly(const QString& path) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  // "m": read, never map. A mapped file that another program shortens
  // meanwhile (a scanner tool saving over it) ends the program at the first
  // byte past its new end; a read just comes back short.
  TIFF* tiff = TIFFOpenExt(QFile::encodeName(path).constData(), "rm", options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

// What the decoding threads need to agree on in their own views of the
// file: a file replaced between two opens is not read as the one sized.
struct Layout {
  uint32_t width = 0;
  uint32_t height = 0;
  bool tiled = false;
  uint32_t across = 0;  // tile width, or 0
  uint32_t down = 0;    // tile length, or rows per strip
  tmsize_t scanline = 0;
  // What a tile is read into: a few pixels across can take the same bytes
  // a row at one depth and many times more a tile at another.
  tmsize_t pieceBytes = 0;
  uint32_t pieces = 0;  // strips or tiles

  static Layout of(TIFF* tiff) {
    Layout l;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &l.height);
    l.tiled = TIFFIsTiled(tiff);
    if (l.tiled) {
      TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &l.across);
      TIFFGetField(tiff, TIFFTAG_TILELENGTH, &l.down);
      l.pieces = TIFFNumberOfTiles(tiff);
    } else {
      TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &l.down);
      l.pieces = TIFFNumberOfStrips(tiff);
    }
    l.scanline = TIFFScanlineSize(tiff);
    l.pieceBytes = l.tiled ? TIFFTileSize(tiff) : TIFFStripSize(tiff);
    return l;
  }
  bool operator==(const Layout&) const = default;
};

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
  Layout layout;
  int threads = std::max(1, QThread::idealThreadCount());
  bool interleaved = true;

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
  state->tiff = openQuietly(path);
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
  state->layout = Layout::of(tiff);
  return std::unique_ptr<TiffDecoder>(new TiffDecoder(std::move(state)));
}

void TiffDecoder::setThreads(int threads) {
  m_state->threads = std::max(1, threads);
}

void TiffDecoder::setInterleaved(bool interleaved) {
  m_state->interleaved = interleaved;
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

namespace {

// One decode's bands and what its threads share: the order is fixed before
// they start; the rest is under `mutex`, but for the two atomics that every
// thread reads without it.
struct Bands {
  int height = 0;
  int rows = 0;  // a band's, the last one's perhaps fewer
  int count = 0;
  std::vector<int> order;
  std::atomic<std::size_t> next = 0;
  std::atomic<bool> stop = false;

  std::mutex mutex;
  std::vector<int> done;  // rows complete in each band, from its top
  int frontier = 0;       // the first band not complete
  int told = 0;           // rows told complete from the top
  bool damaged = false;
  std::exception_ptr thrown;

  int first(int band) const { return band * rows; }
  int end(int band) const { return std::min(height, (band + 1) * rows); }
};

}  // namespace

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
  const tmsize_t tileBytes = s.tiled ? TIFFTileSize(s.tiff) : 0;
  const qsizetype tileRowBytes = bytesFor(s.tileWidth);
  if (s.tiled ? tileBytes <= 0 || tileBytes / qsizetype(s.tileLength) < tileRowBytes
              : TIFFScanlineSize(s.tiff) > store.stride) {
    return damaged;
  }
  const int grain =
      s.tiled ? int(s.tileLength) : int(std::clamp<uint32_t>(s.layout.down, 1, uint32_t(height)));
  Bands b;
  b.height = height;
  b.rows = grain * std::max(1, (kLeastBandRows + grain - 1) / grain);
  b.count = (height + b.rows - 1) / b.rows;
  b.order = bands::order(b.count, b.rows, height, s.interleaved);
  b.done.assign(std::size_t(b.count), 0);

  // Under the lock: the rows of `band` complete from its top are `done`;
  // tells what is new, and whether to go on. Every call the caller made us
  // with comes from here, one at a time, whatever thread decodes.
  const auto report = [&](int band, int done) {
    const std::lock_guard<std::mutex> lock(b.mutex);
    b.done[std::size_t(band)] = done;
    if (done == b.end(band) - b.first(band)) {
      bandDone(b.first(band), b.end(band));
    }
    while (b.frontier < b.count &&
           b.done[std::size_t(b.frontier)] == b.end(b.frontier) - b.first(b.frontier)) {
      ++b.frontier;
    }
    const int complete =
        b.frontier == b.count ? height : b.first(b.frontier) + b.done[std::size_t(b.frontier)];
    if (complete > b.told) {
      b.told = complete;
      rows(complete);
    }
    if (!b.stop.load() && cancelled()) {
      b.stop = true;
    }
    return !b.stop.load();
  };
  const auto goOn = [&] {
    const std::lock_guard<std::mutex> lock(b.mutex);
    if (!b.stop.load() && cancelled()) {
      b.stop = true;
    }
    return !b.stop.load();
  };
  const auto fail = [&](std::exception_ptr thrown) {
    const std::lock_guard<std::mutex> lock(b.mutex);
    b.damaged = true;
    if (thrown && !b.thrown) {
      b.thrown = thrown;
    }
    b.stop = true;
  };
  // One band into the picture's rows: false when the file fails.
  const auto readBand = [&](TIFF* tiff, std::vector<uchar>& tile, int band) {
    const int first = b.first(band);
    const int end = b.end(band);
    if (!s.tiled) {
      for (int y = first; y < end; ++y) {
        if (TIFFReadScanline(tiff, store.row(y), uint32_t(y), 0) < 0) {
          return false;
        }
        if ((y - first) % kRowsBetweenLooks == kRowsBetweenLooks - 1 && y + 1 < end &&
            !report(band, y + 1 - first)) {
          return true;
        }
      }
      report(band, end - first);
      return true;
    }
    // A row of tiles at a time, each copied into the rows it covers.
    for (int y = first; y < end; y += int(s.tileLength)) {
      const int lines = std::min(int(s.tileLength), end - y);
      for (qsizetype x = 0; x < s.size.width(); x += s.tileWidth) {
        if (TIFFReadTile(tiff, tile.data(), uint32_t(x), uint32_t(y), 0, 0) < 0) {
          return false;
        }
        const qsizetype offset = bytesFor(x);  // on a byte: tiles are 16 pixels wide at least
        const qsizetype width = std::min(tileRowBytes, rowBytes - offset);
        for (int i = 0; i < lines; ++i) {
          std::memcpy(store.row(y + i) + offset, tile.data() + i * tileRowBytes,
                      std::size_t(width));
        }
      }
      if (!report(band, y + lines - first)) {
        return true;
      }
    }
    return true;
  };
  // A thread's share: bands as they come in the order, until none is left.
  const auto work = [&](TIFF* tiff) {
    std::vector<uchar> tile(static_cast<std::size_t>(tileBytes));
    while (goOn()) {
      const std::size_t next = b.next++;
      if (next >= b.order.size()) {
        return;
      }
      if (!readBand(tiff, tile, b.order[next])) {
        fail(nullptr);
        return;
      }
    }
  };
  // The other threads each open the file for themselves: a libtiff handle
  // decodes one piece at a time.
  const auto helper = [&] {
    try {
      TIFF* own = openQuietly(s.path);
      if (!own) {
        return;  // the others read the bands this one would have
      }
      if (!(Layout::of(own) == s.layout)) {
        TIFFClose(own);
        fail(nullptr);
        return;
      }
      try {
        work(own);
      } catch (...) {
        TIFFClose(own);
        throw;
      }
      TIFFClose(own);
    } catch (...) {
      fail(std::current_exception());
    }
  };
  std::vector<std::thread> helpers;
  // Each thread reads into a tile of its own: tiles far wider than the
  // picture (a file can ask for them) take no more than the picture does
  // together, whatever the number of cores.
  const qint64 tilesAtOnce =
      tileBytes > 0 ? std::max<qint64>(1, qint64(rowBytes) * height / tileBytes) : b.count;
  const int threads = int(std::min<qint64>({s.threads, b.count, tilesAtOnce}));
  for (int i = 1; i < threads; ++i) {
    try {
      helpers.emplace_back(helper);
    } catch (...) {
      // Fewer threads, as many as the system gives: those started are
      // joined below whatever comes next.
      break;
    }
  }
  try {
    work(s.tiff);
  } catch (...) {
    fail(std::current_exception());
  }
  for (std::thread& h : helpers) {
    h.join();
  }
  // The strip buffer libtiff keeps goes with the handle: the picture is
  // read once.
  TIFFClose(s.tiff);
  s.tiff = nullptr;
  if (b.thrown) {
    std::rethrow_exception(b.thrown);
  }
  if (b.damaged) {
    return damaged;
  }
  return {};
}

}  // namespace koordel

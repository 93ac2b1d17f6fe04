#include "PngDecoder.h"

#include "PictureLoader.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

namespace koordel {
namespace {

[[noreturn]] void fail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

void ignore(png_structp, png_const_charp) {}

}  // namespace

struct PngDecoder::State {
  QString path;
  CFile file;
  png_structp png = nullptr;
  png_infop info = nullptr;
  QSize size;
  QImage::Format format = QImage::Format_Invalid;

  ~State() {
    if (png) {
      png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
  }
};

bool PngDecoder::recognises(const QString& path) {
  return fileStartsWith(path, QByteArrayView("\x89PNG\r\n\x1a\n", 8));
}

bool PngDecoder::chunksWithinFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    return true;  // the toolkit's reader says so
  }
  const qint64 size = file.size();
  // Headers are read a block at a time: a file of millions of empty chunks
  // then costs a read per block rather than a seek and a read per chunk,
  // and this runs before the window shows anything.
  char block[4096];
  qint64 blockAt = 0, blockSize = 0;
  qint64 at = 8;  // past the signature
  while (at + 8 <= size) {
    if (at < blockAt || at + 8 > blockAt + blockSize) {
      if (!file.seek(at)) {
        return false;
      }
      blockAt = at;
      blockSize = file.read(block, sizeof block);
      if (blockSize < 8) {
        return false;
      }
    }
    const auto* header = reinterpret_cast<const uchar*>(block + (at - blockAt));
    const qint64 length = qint64(png_get_uint_32(header));
    at += 12 + length;  // length, type, data, CRC
    if (at > size) {
      return false;
    }
    if (std::memcmp(header + 4, "IEND", 4) == 0) {
      break;
    }
  }
  return true;
}

PngDecoder::PngDecoder(std::unique_ptr<State> state) : m_state(std::move(state)) {}

PngDecoder::~PngDecoder() = default;

std::unique_ptr<PngDecoder> PngDecoder::open(const QString& path, qint64 limitBytes,
                                             QString& error) {
  error.clear();
  auto state = std::make_unique<State>();
  state->path = path;
  state->file = openCFile(path);
  if (!state->file) {
    return nullptr;
  }
  state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignore);
  if (!state->png) {
    return nullptr;
  }
  state->info = png_create_info_struct(state->png);
  if (!state->info) {
    return nullptr;
  }
  png_structp png = state->png;
  png_infop info = state->info;
  if (setjmp(png_jmpbuf(png))) {
    // The same library under the toolkit's reader would find the same fault.
    error = damagedMessage(path);
    return nullptr;
  }
  png_init_io(png, state->file.get());
  // The size is checked here, against this machine, not against libpng's
  // own fixed limit.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  // Only the pixels and their transparency are used: every other ancillary
  // chunk is skipped unread. Read, a text chunk gets the memory its header
  // claims (2 GB, from a file of 300 bytes), libpng's own check of that
  // being only a warning.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT,
                              reinterpret_cast<png_const_bytep>("tRNS"), 1);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  state->size = QSize(int(width), int(height));
  if (qint64(width) * height * 4 > limitBytes) {
    error = tooLargeMessage(state->size);
    return nullptr;
  }
  // What this reader leaves to the toolkit's, if it can be given safely.
  const auto leave = [&]() -> std::unique_ptr<PngDecoder> {
    if (!chunksWithinFile(path)) {
      error = damagedMessage(path);
    }
    return nullptr;
  };
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  if (depth != 8 || png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ||
      png_get_valid(png, info, PNG_INFO_tRNS)) {
    return leave();
  }
  switch (type) {
    case PNG_COLOR_TYPE_GRAY:
      state->format = QImage::Format_Grayscale8;
      break;
    case PNG_COLOR_TYPE_RGB:
      state->format = QImage::Format_RGB888;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      // Blue, green, red, alpha in memory is 32-bit ARGB on this byte order.
      if (QSysInfo::ByteOrder != QSysInfo::LittleEndian) {
        return leave();
      }
      png_set_bgr(png);
      state->format = QImage::Format_ARGB32;
      break;
    default:
      return leave();
  }
  png_read_update_info(png, info);
  return std::unique_ptr<PngDecoder>(new PngDecoder(std::move(state)));
}

QString PngDecoder::path() const {
  return m_state->path;
}

QSize PngDecoder::size() const {
  return m_state->size;
}

bool PngDecoder::prepare(PixelStore& store) {
  store.image = QImage(m_state->size, m_state->format);
  return !store.image.isNull();
}

PictureDecoder::Result PngDecoder::decode(PixelStore& store, const std::function<void(int)>& rows,
                                          const std::function<bool()>& cancelled) {
  State& s = *m_state;
  const int height = s.size.height();
  if (png_get_rowbytes(s.png, s.info) > std::size_t(store.stride)) {
    return {damagedMessage(s.path), {}};
  }
  // Once every row is in, a file cut in its closing chunks has lost nothing
  // that shows.
  volatile bool complete = false;
  if (setjmp(png_jmpbuf(s.png))) {
    if (complete) {
      return {};
    }
    return {damagedMessage(s.path), {}};
  }
  for (int y = 0; y < height; ++y) {
    if ((y & 63) == 0 && cancelled()) {
      return {};
    }
    png_read_row(s.png, store.row(y), nullptr);
    if ((y & 15) == 15) {
      rows(y + 1);
    }
  }
  complete = true;
  rows(height);
  png_read_end(s.png, nullptr);
  return {};
}

}  // namespace koordel

#include "JpegDecoder.h"

#include "PictureLoader.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

// jpeglib.h wants FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

struct Errors {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
  bool truncated = false;
  bool stopped = false;  // asked to stop: no error
};

// libjpeg reads every scan of a multi-scan file inside
// jpeg_start_decompress, before the first row: asked between its MCU rows
// whether to go on, it can be stopped there too.
struct Stopper {
  jpeg_progress_mgr manager{};
  const std::function<bool()>* cancelled = nullptr;
};

void askToGoOn(j_common_ptr info) {
  const auto* stopper = reinterpret_cast<const Stopper*>(info->progress);
  if ((*stopper->cancelled)()) {
    auto* errors = reinterpret_cast<Errors*>(info->err);
    errors->stopped = true;
    std::longjmp(errors->escape, 1);
  }
}

void stopWhen(jpeg_decompress_struct& info, Stopper& stopper,
              const std::function<bool()>& cancelled) {
  stopper.manager.progress_monitor = askToGoOn;
  stopper.cancelled = &cancelled;
  info.progress = &stopper.manager;
}

[[noreturn]] void escape(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Errors*>(info->err)->escape, 1);
}

// Warnings pass, as the toolkit lets them, except the one that says the file
// ended early: the rest of the picture would be made up.
void warn(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    reinterpret_cast<Errors*>(info->err)->truncated = true;
  }
}

void setUp(jpeg_decompress_struct& info, Errors& errors) {
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = escape;
  errors.manager.emit_message = warn;
}

// The EXIF orientation of the picture (1, as stored, when there is none).
int orientation(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    const auto* d = marker->data;
    const unsigned length = marker->data_length;
    if (marker->marker != JPEG_APP0 + 1 || length < 14 || std::memcmp(d, "Exif\0\0", 6) != 0) {
      continue;
    }
    const uchar* tiff = d + 6;
    const unsigned size = length - 6;
    const bool little = tiff[0] == 'I';
    // Offsets come from the file: any of them may point past the segment, or
    // wrap round when added to.
    const auto u16 = [&](quint64 at) -> unsigned {
      return at + 2 > size ? 0
                           : (little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1]);
    };
    const auto u32 = [&](quint64 at) -> unsigned {
      return at + 4 > size ? 0
                           : (little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2));
    };
    const quint64 ifd = u32(4);
    const unsigned entries = u16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
      const quint64 entry = ifd + 2 + 12 * quint64(i);
      if (u16(entry) == 0x0112) {
        return static_cast<int>(u16(entry + 8));
      }
    }
  }
  return 1;
}

// The file read in large pieces. libjpeg-turbo decodes a block's codes on
// its fast path only with a few kilobytes of the file in hand (512 bytes a
// block of the MCU); its own stdio source reads 4 KiB at a time, so that
// most MCUs of a noisy scan went the slow way.
struct Source {
  static constexpr std::size_t kBytes = 256 * 1024;

  jpeg_source_mgr manager{};
  std::FILE* file = nullptr;
  bool startOfFile = true;
  std::vector<JOCTET> buffer = std::vector<JOCTET>(kBytes);

  static Source* of(j_decompress_ptr info) { return reinterpret_cast<Source*>(info->src); }

  static void init(j_decompress_ptr info) { of(info)->startOfFile = true; }

  // As libjpeg's stdio source does: a file that ends early is warned of and
  // ends as if its picture did; an empty one is an error.
  static boolean fill(j_decompress_ptr info) {
    Source* s = of(info);
    std::size_t n = std::fread(s->buffer.data(), 1, s->buffer.size(), s->file);
    if (n == 0) {
      if (s->startOfFile) {
        ERREXIT(info, JERR_INPUT_EMPTY);
      }
      WARNMS(info, JWRN_JPEG_EOF);
      s->buffer[0] = 0xFF;
      s->buffer[1] = JPEG_EOI;
      n = 2;
    }
    s->manager.next_input_byte = s->buffer.data();
    s->manager.bytes_in_buffer = n;
    s->startOfFile = false;
    return TRUE;
  }

  static void skip(j_decompress_ptr info, long count) {
    Source* s = of(info);
    if (count <= 0) {
      return;
    }
    while (count > long(s->manager.bytes_in_buffer)) {
      count -= long(s->manager.bytes_in_buffer);
      fill(info);
    }
    s->manager.next_input_byte += count;
    s->manager.bytes_in_buffer -= std::size_t(count);
  }

  static void term(j_decompress_ptr) {}

  // Reads `file` for `info`; `this` outlives the reading.
  void attach(jpeg_decompress_struct& info, std::FILE* from) {
    file = from;
    manager.init_source = init;
    manager.fill_input_buffer = fill;
    manager.skip_input_data = skip;
    manager.resync_to_restart = jpeg_resync_to_restart;
    manager.term_source = term;
    manager.bytes_in_buffer = 0;
    manager.next_input_byte = nullptr;
    info.src = &manager;
  }
};

// Pictures smaller than this decode quickly enough to need no preview.
constexpr qint64 kPreviewPixels = 4'000'000;

// Room for what libjpeg allocates besides the coefficients: row buffers,
// tables, a few MCU rows, even for the widest picture.
constexpr long kLibraryWorkBytes = 64L * 1024 * 1024;

// What libjpeg holds for a file read in several scans (progressive, or a
// scan for each component): every coefficient of the picture, 2 bytes each,
// over blocks rounded up to whole MCUs, from the first scan to the last. A
// file in one scan is decoded as it streams, in a few rows.
qint64 coefficientBytes(jpeg_decompress_struct& info) {
  if (!jpeg_has_multiple_scans(&info)) {
    return 0;
  }
  const auto roundedUp = [](qint64 n, qint64 grain) { return (n + grain - 1) / grain * grain; };
  qint64 bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    bytes += roundedUp(component.width_in_blocks, component.h_samp_factor) *
             roundedUp(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2 *
             qint64(sizeof(JCOEF));
  }
  return bytes;
}

// libjpeg may take what was counted for it and no more: beyond, it stops
// with an error (it has no files to spill to) instead of exhausting memory.
void capMemory(jpeg_decompress_struct& info) {
  info.mem->max_memory_to_use =
      long(std::min<qint64>(coefficientBytes(info) + kLibraryWorkBytes, LONG_MAX));
}

}  // namespace

struct JpegDecoder::State {
  enum class Kind { Grey, Planes, Rgb };

  QString path;
  CFile file;
  Source source;
  jpeg_decompress_struct info{};
  Errors errors;
  Stopper stopper;
  bool created = false;
  Kind kind = Kind::Rgb;
  int across = 1;
  int down = 1;

  ~State() {
    if (created) {
      jpeg_destroy_decompress(&info);
    }
  }
};

bool JpegDecoder::recognises(const QString& path) {
  return fileStartsWith(path, QByteArrayView("\xff\xd8\xff", 3));
}

JpegDecoder::JpegDecoder(std::unique_ptr<State> state) : m_state(std::move(state)) {}

JpegDecoder::~JpegDecoder() = default;

std::unique_ptr<JpegDecoder> JpegDecoder::open(const QString& path, qint64 limitBytes,
                                               QString& error) {
  error.clear();
  auto state = std::make_unique<State>();
  state->path = path;
  state->file = openCFile(path);
  if (!state->file) {
    return nullptr;
  }
  jpeg_decompress_struct& info = state->info;
  setUp(info, state->errors);
  if (setjmp(state->errors.escape)) {
    error = damagedMessage(path);
    return nullptr;
  }
  jpeg_create_decompress(&info);
  state->created = true;
  state->source.attach(info, state->file.get());
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(&info, TRUE);

  const QSize size(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
  // The picture, and what libjpeg holds while reading it: a file in several
  // scans has its coefficients held whole, once for the decode and once
  // more for the preview, which reads the file again at 1/8.
  const qint64 pixels = qint64(size.width()) * size.height();
  const qint64 held = coefficientBytes(info) * (pixels >= kPreviewPixels ? 2 : 1);
  if (pixels * 4 + held > limitBytes) {
    error = tooLargeMessage(size);
    return nullptr;
  }
  // Turned pictures and CMYK are the toolkit's (it turns and converts them).
  if (orientation(info) != 1 || info.jpeg_color_space == JCS_CMYK ||
      info.jpeg_color_space == JCS_YCCK) {
    return nullptr;
  }
  if (info.jpeg_color_space == JCS_GRAYSCALE) {
    state->kind = State::Kind::Grey;
  } else if (info.jpeg_color_space == JCS_YCbCr && info.num_components == 3) {
    const jpeg_component_info* c = info.comp_info;
    const bool lumaFull = c[0].h_samp_factor == info.max_h_samp_factor &&
                          c[0].v_samp_factor == info.max_v_samp_factor;
    const bool chromaOnce = c[1].h_samp_factor == 1 && c[1].v_samp_factor == 1 &&
                            c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1;
    state->across = info.max_h_samp_factor;
    state->down = info.max_v_samp_factor;
    // Narrower chroma the decoder widens by copying, not by its triangle.
    const bool fancy = c[1].downsampled_width > 2;
    const bool planes =
        lumaFull && chromaOnce && YccPlanes::holds(state->across, state->down) && fancy;
    state->kind = planes ? State::Kind::Planes : State::Kind::Rgb;
  }
  return std::unique_ptr<JpegDecoder>(new JpegDecoder(std::move(state)));
}

QString JpegDecoder::path() const {
  return m_state->path;
}

QSize JpegDecoder::size() const {
  return {static_cast<int>(m_state->info.image_width),
          static_cast<int>(m_state->info.image_height)};
}

bool JpegDecoder::prepare(PixelStore& store) {
  const jpeg_decompress_struct& info = m_state->info;
  switch (m_state->kind) {
    case State::Kind::Grey:
      store.image = QImage(size(), QImage::Format_Grayscale8);
      return !store.image.isNull();
    case State::Kind::Rgb:
      store.image = QImage(size(), QImage::Format_RGB888);
      return !store.image.isNull();
    case State::Kind::Planes: {
      const int lumaRows =
          static_cast<int>(info.total_iMCU_rows) * info.max_v_samp_factor * DCTSIZE;
      store.planes =
          YccPlanes(size(), m_state->across, m_state->down,
                    static_cast<int>(info.comp_info[0].width_in_blocks) * DCTSIZE,
                    static_cast<int>(info.comp_info[1].width_in_blocks) * DCTSIZE, lumaRows);
      return !store.planes.isNull();
    }
  }
  return false;
}

PictureDecoder::Result JpegDecoder::decode(PixelStore& store, const std::function<void(int)>& rows,
                                           const std::function<bool()>& cancelled) {
  State& s = *m_state;
  jpeg_decompress_struct& info = s.info;
  const int height = size().height();
  // Declared before the jump target: nothing is skipped by an escape.
  std::vector<JSAMPROW> pointers[3];
  if (setjmp(s.errors.escape)) {
    if (s.errors.stopped) {
      return {};
    }
    return {damagedMessage(s.path), {}};
  }
  stopWhen(info, s.stopper, cancelled);
  if (s.kind == State::Kind::Planes) {
    info.raw_data_out = TRUE;
  } else {
    info.out_color_space = s.kind == State::Kind::Grey ? JCS_GRAYSCALE : JCS_RGB;
  }
  capMemory(info);
  jpeg_start_decompress(&info);
  if (s.kind == State::Kind::Planes) {
    // A band of whole MCU rows at a time, straight into the planes.
    const int band = info.max_v_samp_factor * DCTSIZE;
    for (int c = 0; c < 3; ++c) {
      pointers[c].resize(static_cast<std::size_t>(info.comp_info[c].v_samp_factor * DCTSIZE));
    }
    for (int mcuRow = 0; info.output_scanline < info.output_height; ++mcuRow) {
      if (cancelled()) {
        jpeg_abort_decompress(&info);
        return {};
      }
      if (s.errors.truncated) {
        break;
      }
      JSAMPARRAY planes[3];
      for (int c = 0; c < 3; ++c) {
        const int n = static_cast<int>(pointers[c].size());
        for (int r = 0; r < n; ++r) {
          pointers[c][static_cast<std::size_t>(r)] = store.planes.row(c, mcuRow * n + r);
        }
        planes[c] = pointers[c].data();
      }
      jpeg_read_raw_data(&info, planes, static_cast<JDIMENSION>(band));
      // A row's chroma also takes the next chroma row: the band's last row
      // waits for the next band.
      const int done = std::min(height, (mcuRow + 1) * band);
      rows(done == height ? height : done - s.down);
    }
  } else {
    while (info.output_scanline < info.output_height) {
      if (cancelled()) {
        jpeg_abort_decompress(&info);
        return {};
      }
      if (s.errors.truncated) {
        break;
      }
      JSAMPROW row[16];
      const int first = static_cast<int>(info.output_scanline);
      const int count = std::min(16, height - first);
      for (int i = 0; i < count; ++i) {
        row[i] = store.row(first + i);
      }
      int read = 0;
      while (read < count) {
        read += static_cast<int>(
            jpeg_read_scanlines(&info, row + read, static_cast<JDIMENSION>(count - read)));
      }
      rows(first + count);
    }
  }
  // A file that ends early is damaged as soon as its end is reached: the
  // library would make up the rest of the picture, as long as its header
  // says, before saying so.
  if (s.errors.truncated) {
    jpeg_abort_decompress(&info);
    return {damagedMessage(s.path), {}};
  }
  jpeg_finish_decompress(&info);
  if (s.errors.truncated) {
    return {damagedMessage(s.path), {}};
  }
  rows(height);
  return {};
}

QImage JpegDecoder::preview(const std::function<bool()>& cancelled) {
  // Only where decoding the whole takes long enough to be seen.
  if (qint64(size().width()) * size().height() < kPreviewPixels) {
    return {};
  }
  const CFile file = openCFile(m_state->path);
  if (!file) {
    return {};
  }
  jpeg_decompress_struct info{};
  Errors errors;
  Stopper stopper;
  Source source;
  QImage image;
  std::vector<JSAMPROW> rows;
  setUp(info, errors);
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  stopWhen(info, stopper, cancelled);
  source.attach(info, file.get());
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 8;
  const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
  info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  capMemory(info);
  jpeg_start_decompress(&info);
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  while (!image.isNull() && info.output_scanline < info.output_height && !cancelled()) {
    JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  if (info.output_scanline == info.output_height) {
    jpeg_finish_decompress(&info);
  } else {
    image = QImage();
  }
  jpeg_destroy_decompress(&info);
  return image;
}

}  // namespace koordel

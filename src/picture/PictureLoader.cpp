#include "PictureLoader.h"

#include "AboutFile.h"

#include "JpegDecoder.h"
#include "PngDecoder.h"
#include "TiffDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <unistd.h>
#include <algorithm>
#include <climits>
#include <functional>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

constexpr qint64 kMiB = 1024 * 1024;

// The toolkit's JPEG reader fills a file that ends early with grey and
// reports success, saying so only in a warning, through the handler the
// whole program shares. The file it reads through notes instead whether it
// was asked for bytes past its end: the reader asks only when the picture
// goes on beyond the file.
class EndWatchingFile : public QFile {
 public:
  using QFile::QFile;
  // From now on: finding out the format may have peeked past a small file.
  void watch() { m_askedPastEnd = false; }
  bool askedPastEnd() const { return m_askedPastEnd; }
  // The toolkit's readers cannot be told to stop; a file that fails every
  // read once `cancelled` says so ends them soon.
  void failOnceCancelled(const std::function<bool()>* cancelled) { m_cancelled = cancelled; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (m_cancelled && (*m_cancelled)()) {
      return -1;
    }
    const qint64 read = QFile::readData(data, maxSize);
    if (read == 0 && maxSize > 0) {
      m_askedPastEnd = true;
    }
    return read;
  }

 private:
  bool m_askedPastEnd = false;
  const std::function<bool()>* m_cancelled = nullptr;
};

// The toolkit's readers refuse pictures above a size of the whole
// program's; set once, from the user-interface thread, before any worker
// reads.
void limitToolkitReaders() {
  static const bool limited = [] {
    QImageReader::setAllocationLimit(static_cast<int>(pictureLimitBytes() / kMiB));
    return true;
  }();
  Q_UNUSED(limited);
}

}  // namespace

QString tooLargeMessage(QSize size) {
  const double limitMegapixels = static_cast<double>(pictureLimitBytes()) / 4 / 1e6;
  return u"画像が大きすぎて開けません（%1 × %2 画素）。\n"
         u"このコンピューターで開ける画像は約 %3 メガ画素までです。"_s.arg(size.width())
             .arg(size.height())
             .arg(limitMegapixels, 0, 'f', 0);
}

QString damagedMessage(const QString& path) {
  return aboutFile(u"画像データが途中で切れているか、壊れています。"_s, path);
}

qint64 pictureLimitBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  qint64 memory = (pages > 0 && pageSize > 0) ? qint64(pages) * pageSize : 4096 * kMiB;
  return std::clamp<qint64>(memory / 2, kLeastPictureLimitBytes, qint64(INT_MAX) * kMiB);
}

namespace {

// What can be told of a file before reading it as a picture.
QString fileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return aboutFile(u"ファイルが見つかりません。"_s, path);
  }
  if (info.isDir()) {
    return aboutFile(u"フォルダーは画像として開けません。"_s, path);
  }
  if (!info.isReadable()) {
    return aboutFile(u"ファイルを読む権限がありません。"_s, path);
  }
  if (info.size() == 0) {
    return aboutFile(u"ファイルが空です。"_s, path);
  }
  return {};
}

// A reader for the file once its header says it can be read and its size
// can be afforded; otherwise what to tell the user.
QString readerProblem(QImageReader& reader, EndWatchingFile& file, const QString& path,
                      qint64 limitBytes) {
  file.setFileName(path);
  // A JPEG unbuffered, so that each read its reader makes is one the file
  // sees; the rest buffered, as some readers take a byte at a time.
  const QIODevice::OpenMode mode = JpegDecoder::recognises(path)
                                       ? QIODevice::ReadOnly | QIODevice::Unbuffered
                                       : QIODevice::OpenMode(QIODevice::ReadOnly);
  if (!file.open(mode)) {
    return aboutFile(u"ファイルを読めませんでした。"_s, path);
  }
  reader.setDevice(&file);
  reader.setAutoTransform(true);
  if (!reader.canRead()) {
    if (reader.error() == QImageReader::FileNotFoundError ||
        reader.error() == QImageReader::DeviceError) {
      return aboutFile(u"ファイルを読めませんでした。"_s, path);
    }
    return aboutFile(u"画像として読み込めない形式です。"_s, path);
  }
  // A header can promise any size; refuse before a byte of it is allocated.
  const QSize declared = reader.size();
  if (declared.isValid() && declared.isEmpty()) {
    // No pixels at all: a picture of no size would reach the view before
    // its decode failed.
    return damagedMessage(path);
  }
  if (declared.isValid() && qint64(declared.width()) * declared.height() * 4 > limitBytes) {
    return tooLargeMessage(declared);
  }
  return {};
}

LoadedPicture readWhole(QImageReader& reader, EndWatchingFile& file, const QString& path) {
  // Asked before reading: once read, the reader no longer says.
  const bool jpeg = reader.format() == "jpeg";
  file.watch();
  const QImage image = reader.read();
  if (image.isNull()) {
    switch (reader.error()) {
      case QImageReader::DeviceError:
      case QImageReader::FileNotFoundError:
        return {{}, aboutFile(u"ファイルを読めませんでした。"_s, path)};
      case QImageReader::UnsupportedFormatError:
        return {{}, aboutFile(u"画像として読み込めない形式です。"_s, path)};
      default:
        return {{}, damagedMessage(path)};
    }
  }
  if (jpeg && file.askedPastEnd()) {
    return {{}, damagedMessage(path)};
  }
  return {image, {}};
}

// Any format the toolkit reads, in one go on the worker: the picture shows
// once it is all there.
class WholeDecoder : public PictureDecoder {
 public:
  WholeDecoder(QString path, QSize size, qint64 limitBytes)
      : m_path(std::move(path)), m_size(size), m_limitBytes(limitBytes) {}
  // A picture read already (its header did not tell its size).
  explicit WholeDecoder(QImage read) : m_size(read.size()), m_read(std::move(read)) {}
  QSize size() const override { return m_size; }
  QString path() const override { return m_path; }
  bool prepare(PixelStore&) override { return true; }
  Result decode(PixelStore&, const std::function<void(int)>&,
                const std::function<bool()>& cancelled) override {
    if (!m_read.isNull()) {
      return {std::nullopt, std::move(m_read)};
    }
    EndWatchingFile file;
    file.failOnceCancelled(&cancelled);
    QImageReader reader;
    const QString problem = readerProblem(reader, file, m_path, m_limitBytes);
    if (cancelled()) {
      return {};
    }
    if (!problem.isEmpty()) {
      return {problem, {}};
    }
    LoadedPicture loaded = readWhole(reader, file, m_path);
    if (cancelled()) {
      return {};
    }
    if (!loaded.error.isEmpty()) {
      return {loaded.error, {}};
    }
    // The canvas took the header's size: a picture of another (a GIF whose
    // frame is not its screen) would be read past its edge.
    if (loaded.image.size() != m_size) {
      return {damagedMessage(m_path), {}};
    }
    return {std::nullopt, std::move(loaded.image)};
  }

 private:
  QString m_path;
  QSize m_size;
  qint64 m_limitBytes = 0;
  QImage m_read;
};

}  // namespace

LoadedPicture loadPicture(const QString& path) {
  if (const QString problem = fileProblem(path); !problem.isEmpty()) {
    return {{}, problem};
  }
  limitToolkitReaders();
  if (PngDecoder::recognises(path) && !PngDecoder::chunksWithinFile(path)) {
    return {{}, damagedMessage(path)};
  }
  EndWatchingFile file;
  QImageReader reader;
  if (const QString problem = readerProblem(reader, file, path, pictureLimitBytes());
      !problem.isEmpty()) {
    return {{}, problem};
  }
  return readWhole(reader, file, path);
}

OpenedPicture openPictureFile(const QString& path) {
  return openPictureFile(path, pictureLimitBytes());
}

OpenedPicture openPictureFile(const QString& path, qint64 limitBytes) {
  limitToolkitReaders();
  if (const QString problem = fileProblem(path); !problem.isEmpty()) {
    return {nullptr, problem};
  }
  // Our own row-by-row readers where they know the file; the toolkit's for
  // the rest.
  const auto tryDecoder = [&](auto recognises, auto open) -> std::optional<OpenedPicture> {
    if (!recognises(path)) {
      return std::nullopt;
    }
    QString problem;
    if (auto decoder = open(path, limitBytes, problem)) {
      return OpenedPicture{std::move(decoder), {}};
    }
    if (!problem.isEmpty()) {
      return OpenedPicture{nullptr, problem};
    }
    return std::nullopt;
  };
  if (auto opened = tryDecoder(JpegDecoder::recognises, JpegDecoder::open)) {
    return std::move(*opened);
  }
  if (auto opened = tryDecoder(TiffDecoder::recognises, TiffDecoder::open)) {
    return std::move(*opened);
  }
  if (auto opened = tryDecoder(PngDecoder::recognises, PngDecoder::open)) {
    return std::move(*opened);
  }
  EndWatchingFile file;
  QImageReader reader;
  if (const QString problem = readerProblem(reader, file, path, limitBytes); !problem.isEmpty()) {
    return {nullptr, problem};
  }
  // The size the picture will have once read, turned as it will be shown.
  QSize size = reader.size();
  if (!size.isValid()) {
    LoadedPicture loaded = readWhole(reader, file, path);
    if (!loaded.error.isEmpty()) {
      return {nullptr, loaded.error};
    }
    return {std::make_unique<WholeDecoder>(std::move(loaded.image)), {}};
  }
  if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
    size.transpose();
  }
  return {std::make_unique<WholeDecoder>(path, size, limitBytes), {}};
}

}  // namespace koordel

#include "PictureLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <unistd.h>
#include <algorithm>
#include <climits>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

constexpr qint64 kMiB = 1024 * 1024;

// The JPEG reader fills a file that ends early with grey and reports success,
// saying so only in a warning. Listening for that warning is the one way to
// refuse a picture the user would otherwise measure half-blank.
class TruncationWatch {
 public:
  TruncationWatch() {
    s_seen = false;
    s_previous = qInstallMessageHandler(&TruncationWatch::handle);
  }
  ~TruncationWatch() { qInstallMessageHandler(s_previous); }
  TruncationWatch(const TruncationWatch&) = delete;
  TruncationWatch& operator=(const TruncationWatch&) = delete;

  bool seen() const { return s_seen; }

 private:
  static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool fromImageReader =
        context.category && qstrncmp(context.category, "qt.gui.imageio", 14) == 0;
    if (fromImageReader && message.contains(u"premature end"_s, Qt::CaseInsensitive)) {
      s_seen = true;
      return;
    }
    if (s_previous) {
      s_previous(type, context, message);
    }
  }

  static inline bool s_seen = false;
  static inline QtMessageHandler s_previous = nullptr;
};

QString withPath(const QString& message, const QString& path) {
  return message + u"\n"_s + QDir::toNativeSeparators(path);
}

QString tooLarge(QSize size) {
  const double limitMegapixels = static_cast<double>(pictureLimitBytes()) / 4 / 1e6;
  return u"画像が大きすぎて開けません（%1 × %2 画素）。\n"
         u"このコンピューターで開ける画像は約 %3 メガ画素までです。"_s.arg(size.width())
             .arg(size.height())
             .arg(limitMegapixels, 0, 'f', 0);
}

QString damaged(const QString& path) {
  return withPath(u"画像データが途中で切れているか、壊れています。"_s, path);
}

}  // namespace

qint64 pictureLimitBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  qint64 memory = (pages > 0 && pageSize > 0) ? qint64(pages) * pageSize : 4096 * kMiB;
  return std::clamp<qint64>(memory / 2, 256 * kMiB, qint64(INT_MAX) * kMiB);
}

LoadedPicture loadPicture(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return {{}, withPath(u"ファイルが見つかりません。"_s, path)};
  }
  if (info.isDir()) {
    return {{}, withPath(u"フォルダーは画像として開けません。"_s, path)};
  }
  if (!info.isReadable()) {
    return {{}, withPath(u"ファイルを読む権限がありません。"_s, path)};
  }
  if (info.size() == 0) {
    return {{}, withPath(u"ファイルが空です。"_s, path)};
  }

  QImageReader::setAllocationLimit(static_cast<int>(pictureLimitBytes() / kMiB));
  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (!reader.canRead()) {
    if (reader.error() == QImageReader::FileNotFoundError ||
        reader.error() == QImageReader::DeviceError) {
      return {{}, withPath(u"ファイルを読めませんでした。"_s, path)};
    }
    return {{}, withPath(u"画像として読み込めない形式です。"_s, path)};
  }
  // A header can promise any size; refuse before a byte of it is allocated.
  const QSize declared = reader.size();
  if (declared.isValid() &&
      qint64(declared.width()) * declared.height() * 4 > pictureLimitBytes()) {
    return {{}, tooLarge(declared)};
  }

  QImage image;
  bool truncated = false;
  {
    const TruncationWatch watch;
    image = reader.read();
    truncated = watch.seen();
  }
  if (image.isNull()) {
    switch (reader.error()) {
      case QImageReader::DeviceError:
      case QImageReader::FileNotFoundError:
        return {{}, withPath(u"ファイルを読めませんでした。"_s, path)};
      case QImageReader::UnsupportedFormatError:
        return {{}, withPath(u"画像として読み込めない形式です。"_s, path)};
      default:
        return {{}, damaged(path)};
    }
  }
  if (truncated) {
    return {{}, damaged(path)};
  }
  return {std::move(image), {}};
}

}  // namespace koordel

#pragma once

#include "YccPlanes.h"

#include <QByteArrayView>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace koordel {

// Where a decoder puts the pixels: the picture in the depth its file has,
// or, for a colour JPEG, its planes.
struct PixelStore {
  QImage image;
  YccPlanes planes;
  // Where a decoder writes the image's rows, taken on the user-interface
  // thread: the worker never touches the (shared) image object itself.
  uchar* bits = nullptr;
  qsizetype stride = 0;
  uchar* row(int y) const { return bits + y * stride; }
};

// Reads a picture file on a worker thread, rows top to bottom as they come.
// It is made on the user-interface thread once the file's header is read,
// so the picture's size is known (and checked) before a pixel is decoded.
class PictureDecoder {
 public:
  struct Result {
    std::optional<QString> error;  // the file turned out damaged half-way
    QImage whole;                  // from decoders that hand over the picture only at the end
  };

  virtual ~PictureDecoder() = default;
  virtual QSize size() const = 0;
  // The file read, for what the user is told when reading it fails.
  virtual QString path() const { return {}; }
  // Makes room for the pixels (`image` or `planes`), on the user-interface
  // thread; false when there is not enough memory.
  virtual bool prepare(PixelStore& store) = 0;
  // On the worker: fills `store`, calling `rows(n)` once the first n rows
  // are complete; stops early, with no error, when `cancelled()` says so.
  virtual Result decode(PixelStore& store, const std::function<void(int)>& rows,
                        const std::function<bool()>& cancelled) = 0;
  // A coarse whole picture, quick to make (a JPEG's 1/8 scaling), for a view
  // zoomed out before the picture is all there; on a worker of its own.
  virtual QImage preview(const std::function<bool()>& cancelled) {
    Q_UNUSED(cancelled);
    return {};
  }

  // For a decoder that completes rows out of order as well (parts of the
  // picture read side by side): `handler(first, end)` hears of rows
  // [first, end) complete wherever they lie, from any of its threads but
  // one call at a time. Set before decode().
  void setBandHandler(std::function<void(int first, int end)> handler) {
    m_bands = std::move(handler);
  }

 protected:
  void bandDone(int first, int end) const {
    if (m_bands) {
      m_bands(first, end);
    }
  }

 private:
  std::function<void(int, int)> m_bands;
};

// Whether the file's first bytes are `magic`.
inline bool fileStartsWith(const QString& path, QByteArrayView magic) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(magic.size()) == magic;
}

// A C stream on a file, for the libraries that read one; closed when
// dropped, null when the file cannot be opened.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, FileCloser>;
inline CFile openCFile(const QString& path) {
  return CFile(std::fopen(QFile::encodeName(path).constData(), "rb"));
}

}  // namespace koordel

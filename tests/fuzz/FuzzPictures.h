// What the picture fuzzers share: the bytes as a file (the decoders read
// files, as the program gives them), and a decode to the end as the
// program's worker runs it, with what must hold for any file.
#pragma once

#include "PictureDecoder.h"
#include "PictureLoader.h"

#include <QDir>
#include <QFile>
#include <QRect>
#include <QString>

#include <signal.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace koordel::fuzz {

// The least limit the program sets itself, on a machine of little memory:
// the fuzzers' own memory limits are counted from it.
constexpr qint64 kLimitBytes = kLeastPictureLimitBytes;

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// The fuzzer's bytes in a file of this process's own, rewritten for each
// input and removed at the end (and those of runs that crashed, at the
// start); in memory where there is a place for it, as a disk's file system
// may write a file truncated and rewritten at once.
inline QString fileWith(const uint8_t* data, size_t size) {
  static const QString path = [] {
    const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString prefix = QStringLiteral("koordel-fuzz-");
    for (const QString& name : QDir(folder).entryList({prefix + u'*'}, QDir::Files)) {
      bool number = false;
      const pid_t owner = name.mid(prefix.size()).toInt(&number);
      if (number && ::kill(owner, 0) != 0 && errno == ESRCH) {
        QFile::remove(folder + u'/' + name);
      }
    }
    const QString p = folder + u'/' + prefix + QString::number(::getpid());
    static const QByteArray name = QFile::encodeName(p);
    std::atexit([] { std::remove(name.constData()); });
    return p;
  }();
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    fail("cannot write the input file");
  }
  return path;
}

// Pieces of a colour JPEG's planes converted as the screen asks for them:
// corners, a piece hanging over the picture's edge, a row longer than a
// conversion run, and reduced copies from places on their grid.
inline void convertPieces(const YccPlanes& planes) {
  const QSize size = planes.size();
  const QRect whole(QPoint(0, 0), size);
  const QRect pieces[] = {
      QRect(0, 0, 40, 40),
      QRect(size.width() - 33, size.height() - 17, 50, 50),
      QRect(0, size.height() / 2, 2100, 2),
  };
  for (const QRect& piece : pieces) {
    if (planes.rgb(piece).size() != (piece & whole).size()) {
      fail("converted pixels of another size than asked");
    }
  }
  for (const int factor : {2, 4, 8}) {
    const QRect area(size.width() / 2 / factor * factor, size.height() / 2 / factor * factor, 72,
                     72);
    const QRect inside = area & whole;
    const QSize expected((inside.width() + factor - 1) / factor,
                         (inside.height() + factor - 1) / factor);
    if (planes.reduced(area, factor).size() != expected) {
      fail("a reduced copy of another size than asked");
    }
  }
}

// Prepares and decodes as the program does, on this thread, never cancelled.
inline void decodeToTheEnd(PictureDecoder& decoder) {
  const QSize size = decoder.size();
  if (size.isEmpty() || qint64(size.width()) * size.height() * 4 > kLimitBytes) {
    fail("a decoder took a picture beyond the limit");
  }
  PixelStore store;
  if (!decoder.prepare(store)) {
    return;  // no room for it: the program says so
  }
  if (!store.image.isNull()) {
    if (store.image.size() != size) {
      fail("pixels made ready for another size");
    }
    store.bits = store.image.bits();
    store.stride = store.image.bytesPerLine();
  } else if (!store.planes.isNull() && store.planes.size() != size) {
    fail("planes made ready for another size");
  }
  int told = 0;
  const auto rows = [&told, &size](int n) {
    if (n < told || n > size.height()) {
      fail("rows told out of order or past the end");
    }
    told = n;
  };
  const PictureDecoder::Result result = decoder.decode(store, rows, [] { return false; });
  if (result.error) {
    return;
  }
  if (!result.whole.isNull()) {
    if (result.whole.size() != size) {
      fail("a picture of another size than its header said");
    }
    return;
  }
  if (told != size.height()) {
    fail("a decode ended without its rows and without an error");
  }
  if (!store.planes.isNull()) {
    convertPieces(store.planes);
  }
}

}  // namespace koordel::fuzz

#pragma once

#include "PictureDecoder.h"

#include <QImage>
#include <QString>

#include <memory>

namespace koordel {

struct LoadedPicture {
  QImage image;
  // Empty on success; otherwise what the user is told, in Japanese.
  QString error;
};

// Reads a picture file in the depth it was stored in (a 1-bit scan stays
// 1-bit), the first page of a multi-page file.
LoadedPicture loadPicture(const QString& path);

// The largest picture, in bytes at 4 bytes per pixel (the way the image
// readers count), that this machine is allowed to open: half its memory, and
// never less than the least.
qint64 pictureLimitBytes();
constexpr qint64 kLeastPictureLimitBytes = qint64(256) * 1024 * 1024;

// What the user is told of a picture too large to open, and of one damaged.
QString tooLargeMessage(QSize size);
QString damagedMessage(const QString& path);

// A picture file made ready to decode on a worker thread, or what to tell
// the user: everything that can be found out from the file's header is
// found out here, before a pixel is decoded.
struct OpenedPicture {
  std::unique_ptr<PictureDecoder> decoder;
  QString error;
};
OpenedPicture openPictureFile(const QString& path);
// The same with another limit than this machine's (the fuzzers hold the
// least one, so that their memory limit is the same everywhere).
OpenedPicture openPictureFile(const QString& path, qint64 limitBytes);

}  // namespace koordel

#pragma once

#include <QImage>
#include <QString>

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
// readers count), that this machine is allowed to open: half its memory.
qint64 pictureLimitBytes();

}  // namespace koordel

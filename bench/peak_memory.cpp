// Peak resident memory of opening a picture as 平面画像読込 does and painting
// the first screenful, against the pixels it keeps.
//   peak_memory make-a0 FILE     write a 13244 x 18724 1-bit TIFF
//   peak_memory make-photo FILE  write a 10000 x 8000 RGB JPEG
//   peak_memory make-plan FILE   write a scanned site plan with a grid and a scale bar
//   peak_memory open FILE        open, paint, report
//   peak_memory zoom FILE        open, and paint a 1920 x 1080 view at every zoom
#include "BenchMemory.h"
#include "BenchPictures.h"
#include "PictureCanvas.h"
#include "PictureLoader.h"
#include "RasterPicture.h"
#include "Zoom.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

using namespace koordel;

namespace {

bool write(const QString& path, QSize size, QImage::Format format) {
  QImageWriter writer(path);
  writer.setCompression(1);
  writer.setQuality(90);
  return writer.write(format == QImage::Format_Mono ? sheetLike(size, format)
                                                    : drawingLike(size, format));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: peak_memory make-a0|make-photo|open FILE\n");
    return 2;
  }
  const QByteArray mode = argv[1];
  const QString path = QString::fromLocal8Bit(argv[2]);
  if (mode == "make-a0") {
    return write(path, QSize(13244, 18724), QImage::Format_Mono) ? 0 : 1;
  }
  if (mode == "make-plan") {
    return planLike().save(path) ? 0 : 1;
  }
  if (mode == "make-photo") {
    return write(path, QSize(10000, 8000), QImage::Format_RGB32) ? 0 : 1;
  }
  // Plugins and fonts loaded, as in a running program before its first load.
  QImage warmUp(16, 16, QImage::Format_RGB32);
  QPainter(&warmUp).drawText(0, 10, QStringLiteral("X"));
  const qint64 baseline = statusKiB("VmRSS:");

  PictureCanvas canvas(QSize(985, 601));
  OpenedPicture opened = openPictureFile(path);
  if (!opened.error.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(opened.error));
    return 1;
  }
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(opened.decoder));
  if (!picture) {
    return 1;
  }
  canvas.setPicture(picture);
  picture->waitUntilReady();
  const qint64 decoded = (picture->bytes() - picture->reducedBytes()) / 1024;
  QImage screen(993, 609, QImage::Format_RGB32);
  {
    QPainter painter(&screen);
    canvas.paint(painter, screen.rect());
  }
  canvas.drawCircle(QPointF(500, 300) * 15, 100 * 15, Qt::red);
  if (mode == "zoom") {
    // As the program does: the reduced copies made once, then the view shown
    // at every step from the smallest zoom to the largest, and fitted.
    const RasterPicture* raster = picture.get();
    QImage view(1920, 1080, QImage::Format_RGB32);
    QList<double> zooms = {zoom::fitting(canvas.size(), view.size())};
    for (double z = zoom::kMin; z <= zoom::kMax; z = zoom::stepped(z, 1)) {
      zooms << z;
      if (z == zoom::kMax) {
        break;
      }
    }
    for (double z : zooms) {
      QPainter painter(&view);
      const QSize shown = canvas.scaledSize(z);
      const QPoint middle(std::max(0, shown.width() / 2 - 960),
                          std::max(0, shown.height() / 2 - 540));
      painter.translate(-middle);
      canvas.paint(painter, QRect(middle, view.size()), z);
      if (qEnvironmentVariableIsSet("KOORDEL_PEAK_EACH")) {
        std::printf("  %g: peak %.1f MiB\n", z, statusKiB("VmHWM:") / 1024.0);
      }
    }
    std::printf("shown at %lld zooms, reduced copies %.1f MiB\n",
                static_cast<long long>(zooms.size()),
                raster ? raster->reducedBytes() / 1048576.0 : 0.0);
  }
  const qint64 peak = statusKiB("VmHWM:");
  std::printf("%s: %dx%d, %s\n", argv[2], canvas.size().width(), canvas.size().height(),
              picture->image().isNull()
                  ? "YCbCr planes"
                  : qPrintable(QStringLiteral("depth %1").arg(picture->image().depth())));
  std::printf("baseline %.1f MiB, pixels kept %.1f MiB, peak %.1f MiB\n", baseline / 1024.0,
              decoded / 1024.0, peak / 1024.0);
  std::printf("peak over baseline is %.2f x the pixels kept\n",
              double(peak - baseline) / double(decoded));
  return 0;
}

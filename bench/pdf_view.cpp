// PDF pages shown the way Koordel shows them, tile by tile at the zoom's
// resolution, side by side with rasterising the whole page as the field's
// peers do when they import a PDF.
//   pdf_view make FILE.pdf a0|a4     write a vector page: A0 with 5000 lines and
//                                    2000 labels, or a simple A4 page
//   pdf_view view FILE.pdf DPI       time the first frame, a scroll and 全体を表示
//                                    of a 992 x 608 view; report peak memory
//   pdf_view whole FILE.pdf DPI      time Poppler drawing the whole page at once
#include "BenchMemory.h"
#include "PdfFiles.h"
#include "PdfPicture.h"
#include "Zoom.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

using namespace koordel;

namespace {

bool make(const QString& path, bool a0) {
  QPdfWriter writer(path);
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(a0 ? QPageSize::A0 : QPageSize::A4));
  QPainter painter(&writer);
  const QSizeF page(writer.width(), writer.height());
  std::uint32_t seed = 7;
  const auto random = [&](double hi) {
    seed = seed * 1664525u + 1013904223u;
    return hi * (seed >> 8) / double(1u << 24);
  };
  const int lines = a0 ? 5000 : 120;
  const int labels = a0 ? 2000 : 40;
  painter.setPen(QPen(Qt::black, 0.5));
  for (int i = 0; i < lines; ++i) {
    painter.drawLine(QPointF(random(page.width()), random(page.height())),
                     QPointF(random(page.width()), random(page.height())));
  }
  QFont font(QStringLiteral("IPAexGothic"));
  font.setPointSizeF(6);
  painter.setFont(font);
  for (int i = 0; i < labels; ++i) {
    painter.drawText(QPointF(random(page.width()), random(page.height())),
                     QStringLiteral("部品 %1").arg(i));
  }
  return painter.end();
}

// Paints `area` at `zoom` until every tile in it is drawn; milliseconds.
qint64 complete(PdfPicture& page, QImage& screen, const QRect& area, double zoom) {
  QElapsedTimer clock;
  clock.start();
  const int rendersBefore = page.renders();
  for (;;) {
    QPainter painter(&screen);
    painter.translate(-area.topLeft());
    page.paint(painter, area, zoom);
    painter.end();
    page.waitUntilReady();
    // Done when a paint asks for nothing more.
    QPainter again(&screen);
    again.translate(-area.topLeft());
    const int before = page.renders();
    page.paint(again, area, zoom);
    again.end();
    page.waitUntilReady();
    if (page.renders() == before) {
      break;
    }
  }
  std::fprintf(stderr, "    (%d Poppler renders)\n", page.renders() - rendersBefore);
  return clock.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: pdf_view make FILE a0|a4 | view FILE DPI | whole FILE DPI\n");
    return 2;
  }
  const QByteArray mode = argv[1];
  const QString path = QString::fromLocal8Bit(argv[2]);
  if (mode == "make") {
    return make(path, QByteArray(argv[3]) == "a0") ? 0 : 1;
  }
  usePdfModule(QCoreApplication::applicationDirPath() +
               QStringLiteral("/../src/libkoordel_pdf.so"));
  const int dpi = QByteArray(argv[3]).toInt();
  const qint64 baseline = statusKiB("VmHWM:");
  QElapsedTimer clock;
  clock.start();
  const OpenedPdf opened = openPdf(path);
  if (!opened.document) {
    std::fprintf(stderr, "%s\n", qPrintable(opened.error));
    return 1;
  }
  if (mode == "whole") {
    const QSize size = PdfPicture::sizeFor(opened.document->pageSize(0), dpi);
    const QImage whole =
        opened.document->renderer(0)->render(dpi, QRect(QPoint(0, 0), size), [] { return false; });
    std::printf("%s at %d dpi, the whole page at once: %lld ms, %d x %d, peak %.0f MiB\n", argv[2],
                dpi, clock.elapsed(), whole.width(), whole.height(), statusKiB("VmHWM:") / 1024.0);
    return whole.isNull() ? 1 : 0;
  }
  PdfPicture page(opened.document, 0, dpi);
  QImage screen(992, 608, QImage::Format_RGB32);
  const qint64 first = complete(page, screen, screen.rect(), 1);
  const qint64 firstSinceOpen = clock.elapsed();
  const qint64 scroll = complete(page, screen, screen.rect().translated(992, 0), 1);
  const double fit = zoom::fitting(page.size(), screen.size());
  const qint64 whole = complete(page, screen, QRect(QPoint(0, 0), screen.size()), fit);
  std::printf(
      "%s at %d dpi (%d x %d pixels): first frame %lld ms (%lld ms from opening the file), "
      "one screen scrolled %lld ms, 全体を表示 %lld ms; tiles kept %.1f MiB; "
      "peak %.0f MiB (%.0f MiB before)\n",
      argv[2], dpi, page.size().width(), page.size().height(), first, firstSinceOpen, scroll, whole,
      page.cachedBytes() / 1048576.0, statusKiB("VmHWM:") / 1024.0, baseline / 1024.0);
  return 0;
}

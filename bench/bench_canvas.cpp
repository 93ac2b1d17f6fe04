// Loading and painting big pictures, measured side by side with the bare
// decode of the same file.
#include "BenchMain.h"
#include "BenchPictures.h"
#include "CircleTool.h"
#include "CoordinateFile.h"
#include "Destinations.h"
#include "GestureTracker.h"
#include "LineStyle.h"
#include "PictureCanvas.h"
#include "PictureLoader.h"
#include "QtClipboard.h"
#include "RasterPicture.h"
#include "RectangleTool.h"
#include "Selections.h"
#include "StatusPanels.h"
#include "ValueSheet.h"

#include <QTemporaryDir>

#include <thread>

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace koordel;

namespace {

const QSize kPhoto(10000, 8000);
const QSize kA0At400Dpi(13244, 18724);
const QSize kViewport(993, 609);

QString photo(const char* suffix) {
  return benchPicture(QStringLiteral("10000x8000.") + QLatin1String(suffix), kPhoto,
                      QImage::Format_RGB32);
}

void BM_BareDecode(benchmark::State& state, const char* suffix) {
  const QString path = photo(suffix);
  QImageReader::setAllocationLimit(4096);
  for (auto _ : state) {
    QImageReader reader(path);
    QImage image = reader.read();
    benchmark::DoNotOptimize(image.constBits());
  }
}

// What 平面画像読込 does, up to the first screenful painted: the header
// read, the rows the screen shows decoded (the rest follows on a worker).
void BM_LoadToFirstPaint(benchmark::State& state, const char* suffix) {
  const QString path = photo(suffix);
  QImage screen(kViewport, QImage::Format_RGB32);
  for (auto _ : state) {
    PictureCanvas canvas(QSize(985, 601));
    OpenedPicture opened = openPictureFile(path);
    if (!opened.error.isEmpty()) {
      state.SkipWithError(qPrintable(opened.error));
      return;
    }
    const std::shared_ptr<RasterPicture> picture =
        RasterPicture::decoding(std::move(opened.decoder));
    canvas.setPicture(picture);
    while (picture->decodedRows() < kViewport.height()) {
      std::this_thread::yield();
    }
    QPainter painter(&screen);
    canvas.paint(painter, QRect(QPoint(0, 0), kViewport));
    painter.end();
    state.PauseTiming();
    canvas.setPicture(std::shared_ptr<Picture>());  // cancels the rest
    state.ResumeTiming();
  }
}

BENCHMARK_CAPTURE(BM_BareDecode, png, "png")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoadToFirstPaint, png, "png")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_BareDecode, jpeg, "jpg")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoadToFirstPaint, jpeg, "jpg")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_BareDecode, tiff, "tif")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoadToFirstPaint, tiff, "tif")->Unit(benchmark::kMillisecond)->Iterations(3);

PictureCanvas& a0Scan() {
  static PictureCanvas canvas = [] {
    PictureCanvas c(QSize(985, 601));
    c.setPicture(drawingLike(kA0At400Dpi, QImage::Format_Mono));
    return c;
  }();
  return canvas;
}

// A shape drawn on the 248-megapixel scan, and the repaint of what it touched.
void BM_DrawAndRepaintShape(benchmark::State& state) {
  PictureCanvas& canvas = a0Scan();
  QRect damaged;
  canvas.setDamageHandler([&](const QRect& r) { damaged = r; });
  QImage screen(kViewport, QImage::Format_RGB32);
  int i = 0;
  for (auto _ : state) {
    const double x = 1000 + (i * 373) % 11000;
    const double y = 1000 + (i * 719) % 16000;
    ++i;
    canvas.drawCircle(QPointF(x, y) * 15, 80 * 15, Qt::red);
    QPainter painter(&screen);
    painter.translate(-damaged.topLeft());
    canvas.paint(painter, damaged);
  }
  canvas.setDamageHandler({});
}
BENCHMARK(BM_DrawAndRepaintShape)->Unit(benchmark::kMicrosecond);

// A whole screenful of the scan, as after a scroll step to anywhere on it.
void BM_RepaintScreenful(benchmark::State& state) {
  PictureCanvas& canvas = a0Scan();
  QImage screen(kViewport, QImage::Format_RGB32);
  int i = 0;
  for (auto _ : state) {
    const QPoint at((i * 1237) % (kA0At400Dpi.width() - kViewport.width()),
                    (i * 2311) % (kA0At400Dpi.height() - kViewport.height()));
    ++i;
    QPainter painter(&screen);
    painter.translate(-at);
    canvas.paint(painter, QRect(at, kViewport));
  }
}
BENCHMARK(BM_RepaintScreenful)->Unit(benchmark::kMicrosecond);

struct NoPanels : StatusPanels {
  void setPanelText(int, const QString&) override {}
};

// A whole capture, from the release event to the repainted area: the value
// sheet, the tool, the drawing, the record into 座標.txt when `toFile`.
void BM_ReleaseToRepaint(benchmark::State& state, bool toFile) {
  PictureCanvas canvas(QSize(985, 601));
  canvas.setPicture(drawingLike(kPhoto, QImage::Format_RGB32));
  QRect damaged;
  canvas.setDamageHandler([&](const QRect& r) { damaged = r; });
  ValueSheet sheet;
  Selections selections;
  selections.captureShape = shape::kRectangle;
  selections.destination = toFile ? destination::kFile : destination::kNone;
  LineStyle style;
  style.fillStyle = 4;
  NoPanels panels;
  QtClipboard clipboard;
  QTemporaryDir folder;
  const CoordinateFile file(folder.path());
  Destinations destinations(selections, clipboard, file);
  RectangleTool tool(
      {sheet, selections, style, canvas, destinations, [] { return QStringLiteral("bench"); }});
  GestureTracker tracker(sheet, selections, panels);
  tracker.setTool(shape::kRectangle, &tool);
  QImage screen(kViewport, QImage::Format_RGB32);
  int i = 0;
  for (auto _ : state) {
    const float x = 15.0f * (200 + (i * 373) % 9000);
    const float y = 15.0f * (200 + (i * 719) % 7000);
    ++i;
    tracker.press({1, 0, x, y});
    if (tracker.release({1, 0, x + 15.0f * 150, y + 15.0f * 90})) {
      state.SkipWithError("the capture failed");
      return;
    }
    QPainter painter(&screen);
    painter.translate(-damaged.topLeft());
    canvas.paint(painter, damaged);
  }
}
BENCHMARK_CAPTURE(BM_ReleaseToRepaint, nothing_sent, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReleaseToRepaint, to_file, true)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return runOffscreen<QGuiApplication>(argc, argv);
}

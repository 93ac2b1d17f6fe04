// The zoomed view of scan B (A0 at 400 dpi, 1-bit), side by side with the
// repaint at 100% the program has always done: a full 1920 x 1080 picture
// area at several zooms, a zoom step by Ctrl + wheel from the event to the
// painted frame, a loupe move, and 座標格子 over it all.
#include "BenchMain.h"
#include "BenchPictures.h"
#include "CanvasWidget.h"
#include "CoordinateGrid.h"
#include "FileDialog.h"
#include "Loupe.h"
#include "MainWindow.h"
#include "OneFile.h"
#include "PictureCanvas.h"
#include "PictureLoader.h"
#include "PictureView.h"
#include "Pyramid.h"
#include "Zoom.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

using namespace koordel;

namespace {

const QSize kArea(1920, 1080);

PictureCanvas& canvasWithScanB() {
  static PictureCanvas canvas = [] {
    PictureCanvas c(QSize(985, 601));
    LoadedPicture loaded = loadPicture(scanB());
    if (!loaded.error.isEmpty()) {
      qFatal("%s", qPrintable(loaded.error));
    }
    c.setPicture(std::move(loaded.image));
    c.waitUntilReady();
    // A few shapes on it, as after some work.
    for (int i = 0; i < 40; ++i) {
      c.drawCircle(QPointF(500 + i * 300, 700 + i * 420) * 15, 150 * 15, Qt::red);
    }
    return c;
  }();
  return canvas;
}

// A whole picture area's repaint, at a place that moves every time.
void BM_RepaintArea(benchmark::State& state, double zoom) {
  PictureCanvas& canvas = canvasWithScanB();
  if (zoom == 0) {
    zoom = zoom::fitting(canvas.size(), kArea);
  }
  const QSize shown = canvas.scaledSize(zoom);
  QImage screen(kArea, QImage::Format_RGB32);
  int i = 0;
  for (auto _ : state) {
    const QPoint at(
        shown.width() > kArea.width() ? (i * 1237) % (shown.width() - kArea.width()) : 0,
        shown.height() > kArea.height() ? (i * 2311) % (shown.height() - kArea.height()) : 0);
    ++i;
    QPainter painter(&screen);
    painter.translate(-at);
    if (zoom == 1) {
      canvas.paint(painter, QRect(at, kArea));  // the repaint as it has always been
    } else {
      canvas.paint(painter, QRect(at, kArea), zoom);
    }
  }
}
BENCHMARK_CAPTURE(BM_RepaintArea, today_100_percent, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, fit, 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, quarter, 0.25)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, half, 0.5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, one_step_out, 0.840896)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, x8, 8.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintArea, x32, 32.0)->Unit(benchmark::kMillisecond);

// The real window with scan B, its picture area 1920 x 1080.
MainWindow& windowWithScanB() {
  static MainWindow* window = [] {
    auto* w = new MainWindow;
    auto files = std::make_unique<OneFile>();
    files->name = scanB();
    w->setFileDialog(std::move(files));
    w->resize(w->size() + kArea - w->pictureArea()->size());
    w->show();
    w->findChild<QAction*>(QStringLiteral("A11"))->trigger();
    w->canvas()->waitForPyramid();
    QApplication::processEvents();
    return w;
  }();
  return *window;
}

// From the wheel event to the picture area painted anew, one step in and
// one out, about the pointer.
void BM_WheelZoomToFrame(benchmark::State& state) {
  MainWindow& window = windowWithScanB();
  CanvasWidget* canvas = window.canvas();
  window.zoomAbout(1, QPointF(0, 0));
  window.horizontalBar()->setValue(window.horizontalBar()->maximum() / 2);
  window.verticalBar()->setValue(window.verticalBar()->maximum() / 2);
  int turn = 120;
  for (auto _ : state) {
    const QPointF at = canvas->mapFrom(window.pictureArea(), QPointF(700, 400));
    QWheelEvent wheel(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, turn), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    window.pictureArea()->repaint();
    turn = -turn;
  }
}
BENCHMARK(BM_WheelZoomToFrame)->Unit(benchmark::kMillisecond);

// A pointer move with the loupe on: the loupe follows and is painted.
void BM_LoupeMove(benchmark::State& state) {
  MainWindow& window = windowWithScanB();
  Loupe* loupe = window.loupe();
  const QRect bounds = window.pictureArea()->geometry();
  int i = 0;
  for (auto _ : state) {
    const QPoint pointer(200 + (i * 37) % 1400, 200 + (i * 53) % 600);
    ++i;
    loupe->follow(QPointF(3000 + i, 4000 + i) * 15, pointer, bounds, 1);
    loupe->repaint();
  }
}
BENCHMARK(BM_LoupeMove)->Unit(benchmark::kMicrosecond);

// 座標格子 over the real window's 1920 x 1080 picture area of scan B, tilted
// and calibrated: the lines worked out and painted, which is what it adds to
// every full repaint of the area.
void BM_GridOverArea(benchmark::State& state, double zoom) {
  MainWindow& window = windowWithScanB();
  ValueSheet& sheet = window.valueSheet();
  sheet.setText(Field::x軸係数, QStringLiteral("0.00423"));
  sheet.setText(Field::Y軸係数, QStringLiteral("0.00423"));
  sheet.setTilt(1.5);
  window.findChild<QAction*>(QStringLiteral("座標格子"))->setChecked(true);
  // About the middle of the sheet, so that the picture fills the area.
  window.zoomToFit();
  if (zoom != 0) {
    window.zoomAbout(zoom, QRectF(window.canvas()->geometry()).center());
  }
  QApplication::processEvents();
  CoordinateGrid* grid = window.pictureView()->coordinateGrid();
  QImage screen(kArea, QImage::Format_RGB32);
  for (auto _ : state) {
    grid->refresh();
    QPainter painter(&screen);
    grid->paint(painter, QRect(QPoint(), kArea));
  }
  state.counters["lines"] = double(grid->currentPlan().lines.size());
  window.findChild<QAction*>(QStringLiteral("座標格子"))->setChecked(false);
}
BENCHMARK_CAPTURE(BM_GridOverArea, fit, 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GridOverArea, quarter, 0.25)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GridOverArea, x1, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GridOverArea, x8, 8.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GridOverArea, x32, 32.0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runOffscreen<QApplication>(argc, argv);
}

// Undo and redo of a capture on scan B (A0 at 400 dpi, 1-bit) with 座標.txt
// as the destination, from the command to the repainted picture area; and
// what a thousand small captures cost to keep.
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchPictures.h"
#include "CanvasWidget.h"
#include "FileDialog.h"
#include "MainWindow.h"
#include "OneFile.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace koordel;

namespace {

struct Scene {
  QTemporaryDir folder;
  MainWindow window;
  Scene() {
    auto files = std::make_unique<OneFile>();
    files->name = scanB();
    window.setFileDialog(std::move(files));
    window.setCoordinateFolder(folder.path());
    window.show();
    window.findChild<QAction*>(QStringLiteral("A11"))->trigger();
    window.canvas()->waitForPyramid();
    choose(QStringLiteral("B11"), 2);  // ﾌｧｲﾙに書き込む
    QApplication::processEvents();
  }
  void choose(const QString& family, int index) {
    for (QAction* item : window.findChildren<QAction*>(family)) {
      if (item->data().toInt() == index) {
        item->trigger();
      }
    }
  }
  void capture(int shape, QPoint from, QPoint to) {
    choose(QStringLiteral("C11"), shape);
    QTest::mousePress(window.canvas(), Qt::LeftButton, {}, from);
    QTest::mouseRelease(window.canvas(), Qt::LeftButton, {}, to);
  }
};

Scene& scene() {
  static Scene* s = new Scene;
  return *s;
}

void BM_UndoToFrame(benchmark::State& state) {
  Scene& s = scene();
  s.capture(4, QPoint(200, 150), QPoint(600, 450));  // a box across a good part of the view
  QAction* undo = s.window.findChild<QAction*>(QStringLiteral("元に戻す"));
  QAction* redo = s.window.findChild<QAction*>(QStringLiteral("やり直し"));
  for (auto _ : state) {
    undo->trigger();
    s.window.pictureArea()->repaint();
    state.PauseTiming();
    redo->trigger();
    s.window.pictureArea()->repaint();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoToFrame)->Unit(benchmark::kMillisecond);

void BM_RedoToFrame(benchmark::State& state) {
  Scene& s = scene();
  QAction* undo = s.window.findChild<QAction*>(QStringLiteral("元に戻す"));
  QAction* redo = s.window.findChild<QAction*>(QStringLiteral("やり直し"));
  for (auto _ : state) {
    state.PauseTiming();
    undo->trigger();
    s.window.pictureArea()->repaint();
    state.ResumeTiming();
    redo->trigger();
    s.window.pictureArea()->repaint();
  }
}
BENCHMARK(BM_RedoToFrame)->Unit(benchmark::kMillisecond);

// A thousand small captures (points and short lines, some over others):
// the memory undo keeps for them.
void BM_ThousandSmallSteps(benchmark::State& state) {
  for (auto _ : state) {
    Scene& s = scene();
    const qint64 before = statusKiB("VmRSS:");
    const qsizetype keptBefore = s.window.history().bytes();
    for (int i = 0; i < 1000; ++i) {
      const QPoint at(20 + (i % 40) * 20, 20 + (i / 40) * 20);
      s.capture(i % 2 == 0 ? 1 : 2, at, at + QPoint(25, 10));
    }
    state.counters["kept_MiB"] =
        double(s.window.history().bytes() - keptBefore) / (1024.0 * 1024.0);
    state.counters["resident_MiB"] = double(statusKiB("VmRSS:") - before) / 1024.0;
  }
}
BENCHMARK(BM_ThousandSmallSteps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runOffscreen<QApplication>(argc, argv);
}

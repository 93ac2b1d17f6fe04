// 折れ線 and 多角形 on scan B (A0 at 400 dpi, 1-bit) in the real window, its
// picture area 1920 x 1080, 座標.txt the destination: a vertex placed and
// the area repainted, the loose edge following one pointer move, and a
// polygon of 100,000 vertices finished (area, record, drawing).
#include "BenchMain.h"
#include "BenchPictures.h"
#include "CanvasWidget.h"
#include "CommentBox.h"
#include "FileDialog.h"
#include "MainWindow.h"
#include "OneFile.h"
#include "PathShapes.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace koordel;

namespace {

const QSize kArea(1920, 1080);

struct Scene {
  QTemporaryDir folder;
  MainWindow window;
  Scene() {
    auto files = std::make_unique<OneFile>();
    files->name = scanB();
    window.setFileDialog(std::move(files));
    window.setCoordinateFolder(folder.path());
    window.resize(window.size() + kArea - window.pictureArea()->size());
    window.show();
    window.findChild<QAction*>(QStringLiteral("A11"))->trigger();
    window.canvas()->waitForPyramid();
    for (QAction* item : window.findChildren<QAction*>(QStringLiteral("B11"))) {
      if (item->data().toInt() == 2) {
        item->trigger();  // ﾌｧｲﾙに書き込む
      }
    }
    QApplication::processEvents();
  }
  void send(QEvent::Type type, QPointF twips) {
    CanvasWidget* canvas = window.canvas();
    const QPointF at = twips / 15 * canvas->zoom();
    QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
    QApplication::sendEvent(canvas, &event);
  }
  void click(QPointF twips) {
    send(QEvent::MouseButtonPress, twips);
    send(QEvent::MouseButtonRelease, twips);
  }
  // The view at `zoom` (0: 全体を表示), looking at the sheet's middle, and
  // `shape` being built from there.
  QPointF begin(double zoom, const QString& shape) {
    window.findChild<QAction*>(shape)->trigger();
    zoom == 0 ? window.zoomToFit() : window.zoomAbout(zoom, QPointF(0, 0));
    const QSize size = window.canvas()->surface().size();
    const QPointF middle(size.width() * 15 / 2.0, size.height() * 15 / 2.0);
    window.canvas()->move(QPoint(kArea.width() / 2, kArea.height() / 2) -
                          (middle / 15 * window.canvas()->zoom()).toPoint());
    QApplication::processEvents();
    return middle;
  }
  void abandon() {
    QTest::keyClick(window.commentBox(), Qt::Key_Escape);
    QApplication::processEvents();
  }
};

Scene& scene() {
  static Scene* s = new Scene;
  return *s;
}

// Each click a vertex, the part of the area it changed painted; fifty to a
// shape.
void BM_VertexPlaced(benchmark::State& state, double zoom) {
  Scene& s = scene();
  const QPointF middle = s.begin(zoom, QStringLiteral("折れ線"));
  int i = 0;
  for (auto _ : state) {
    const double a = i * 0.7;
    s.click(middle + QPointF(std::cos(a), std::sin(a)) * (3000.0 + 40 * (i % 50)));
    QApplication::processEvents();
    if (++i % 50 == 0) {
      state.PauseTiming();
      s.abandon();
      state.ResumeTiming();
    }
  }
  s.abandon();
}
BENCHMARK_CAPTURE(BM_VertexPlaced, at_100_percent, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VertexPlaced, fit, 0.0)->Unit(benchmark::kMillisecond);

// The loose edges of a polygon of twenty vertices following the pointer,
// the measure told and the part of the area they crossed painted.
void BM_LooseEdgeFollows(benchmark::State& state, double zoom) {
  Scene& s = scene();
  const QPointF middle = s.begin(zoom, QStringLiteral("多角形"));
  for (int v = 0; v < 20; ++v) {
    const double a = v * 2 * std::numbers::pi / 20;
    s.click(middle + QPointF(std::cos(a), std::sin(a)) * 6000);
  }
  QApplication::processEvents();
  int i = 0;
  for (auto _ : state) {
    s.send(QEvent::MouseMove, middle + QPointF((i * 37) % 3000, (i * 53) % 3000));
    QApplication::processEvents();
    ++i;
  }
  s.abandon();
}
BENCHMARK_CAPTURE(BM_LooseEdgeFollows, at_100_percent, 1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LooseEdgeFollows, fit, 0.0)->Unit(benchmark::kMicrosecond);

// The same moves with no shape being built, for comparison: the readouts
// of the status bar alone.
void BM_PlainMove(benchmark::State& state, double zoom) {
  Scene& s = scene();
  const QPointF middle = s.begin(zoom, QStringLiteral("多角形"));
  int i = 0;
  for (auto _ : state) {
    s.send(QEvent::MouseMove, middle + QPointF((i * 37) % 3000, (i * 53) % 3000));
    QApplication::processEvents();
    ++i;
  }
}
BENCHMARK_CAPTURE(BM_PlainMove, at_100_percent, 1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlainMove, fit, 0.0)->Unit(benchmark::kMicrosecond);

// Enter on a polygon of 100,000 vertices round a circle 2,000 pixels
// across: the crossing check, perimeter, area, the record in 座標.txt and
// the polygon drawn into the picture, to the repainted area. Placed at a
// zoom of 32, where clicks a sixteenth of a pixel apart stay out of the
// first vertex's reach.
void BM_HundredThousandFinished(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    state.PauseTiming();
    const QPointF middle = s.begin(32, QStringLiteral("多角形"));
    constexpr int kVertices = 100'000;
    for (int v = 0; v < kVertices; ++v) {
      // Short of a full turn: the last vertex stays out of the first's reach.
      const double a = v * 2 * std::numbers::pi / (kVertices + 5);
      s.click(middle + QPointF(std::cos(a), std::sin(a)) * 15000);
    }
    QApplication::processEvents();
    const std::size_t placed = s.window.pathShapes().building()->vertexCount();
    state.ResumeTiming();
    QTest::keyClick(s.window.commentBox(), Qt::Key_Return);
    QApplication::processEvents();
    state.PauseTiming();
    state.counters["vertices"] = double(placed);
    state.counters["finished"] = s.window.pathShapes().building() ? 0 : 1;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HundredThousandFinished)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runOffscreen<QApplication>(argc, argv);
}

// The snap search for one pointer move, on the three big scans: A (A0 at
// 400 dpi, 8-bit grey), B (the same sheet 1-bit, Group 4) and C (a colour
// A0 JPEG, held as its planes), at the zoom that fits the sheet in a
// 1920 x 1080 picture area and at 0.25, 1, 8 and 32, with the reach of 6
// screen pixels. Places on ink lie a little off a stroke's centre line;
// places on blank paper have no ink in reach.
#include "BenchMain.h"
#include "BenchPictures.h"
#include "InkSnap.h"
#include "PictureLoader.h"
#include "RasterPicture.h"

#include <QGuiApplication>

#include <map>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

using namespace koordel;

namespace {

enum class Scan { A, B, C };

std::shared_ptr<RasterPicture> opened(const QString& path) {
  OpenedPicture file = openPictureFile(path);
  if (!file.decoder) {
    qFatal("%s", qPrintable(file.error));
  }
  std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(file.decoder));
  if (!picture) {
    qFatal("no room for %s", qPrintable(path));
  }
  picture->waitUntilReady();
  return picture;
}

// Each scan made once, and kept while the others are measured.
RasterPicture& picture(Scan scan) {
  static std::map<Scan, std::shared_ptr<RasterPicture>> made;
  auto& p = made[scan];
  if (!p) {
    switch (scan) {
      case Scan::A:
        p = std::make_shared<RasterPicture>(
            sheetLike(QSize(13244, 18724), QImage::Format_Grayscale8));
        p->waitUntilReady();
        break;
      case Scan::B:
        p = opened(scanB());
        break;
      case Scan::C:
        p = opened(scanC());
        break;
    }
  }
  return *p;
}

double reachAt(const Picture& p, double zoom) {
  if (zoom == 0) {
    zoom = std::min(1920.0 / p.size().width(), 1080.0 / p.size().height());
  }
  return 6 / zoom;
}

// Places all over the sheet: on ink, a fifth of the reach off a centre line
// the snap found with a larger reach; on paper, where nothing is in reach.
std::vector<QPointF> places(Scan scan, double reach, bool onInk) {
  static std::map<std::tuple<Scan, double, bool>, std::vector<QPointF>> found;
  auto& list = found[{scan, reach, onInk}];
  if (!list.empty()) {
    return list;
  }
  const Picture& p = picture(scan);
  for (int i = 0; i < 4000 && list.size() < 64; ++i) {
    const QPointF at((i * 7919) % 12800 + 200.3, (i * 104729) % 18300 + 200.7);
    if (onInk) {
      const std::optional<InkSnap> line = snapToInk(p, at, 24);
      if (line) {
        list.push_back(line->at + QPointF(0.2, 0.1) * reach);
      }
    } else if (!snapToInk(p, at, reach)) {
      list.push_back(at);
    }
  }
  if (list.empty()) {
    qFatal("no places found");
  }
  return list;
}

void BM_Snap(benchmark::State& state, Scan scan, double zoom, bool onInk) {
  const Picture& p = picture(scan);
  const double reach = reachAt(p, zoom);
  const std::vector<QPointF> at = places(scan, reach, onInk);
  std::size_t i = 0;
  int snapped = 0;
  int calls = 0;
  for (auto _ : state) {
    const std::optional<InkSnap> snap = snapToInk(p, at[i], reach);
    benchmark::DoNotOptimize(snap);
    snapped += snap.has_value();
    ++calls;
    i = (i + 1) % at.size();
  }
  state.counters["reach"] = reach;
  state.counters["snapped"] = double(snapped) / std::max(1, calls);
}

#define SNAP_AT(scan, name, zoom)                                            \
  BENCHMARK_CAPTURE(BM_Snap, scan##_##name##_ink, Scan::scan, zoom, true)    \
      ->Unit(benchmark::kMicrosecond);                                       \
  BENCHMARK_CAPTURE(BM_Snap, scan##_##name##_paper, Scan::scan, zoom, false) \
      ->Unit(benchmark::kMicrosecond)

#define SNAP_ZOOMS(scan)      \
  SNAP_AT(scan, fit, 0.0);    \
  SNAP_AT(scan, x0_25, 0.25); \
  SNAP_AT(scan, x1, 1.0);     \
  SNAP_AT(scan, x8, 8.0);     \
  SNAP_AT(scan, x32, 32.0)

SNAP_ZOOMS(A);
SNAP_ZOOMS(B);
SNAP_ZOOMS(C);

}  // namespace

int main(int argc, char** argv) {
  return runOffscreen<QGuiApplication>(argc, argv);
}

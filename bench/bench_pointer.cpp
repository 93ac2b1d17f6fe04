// The program's own work per pointer move and per gesture end: two
// conversions from the value sheet's current texts and four panel texts,
// on a straight scan and on a tilted one.
#include "GestureTracker.h"
#include "Selections.h"
#include "StatusPanels.h"
#include "ValueSheet.h"

#include <benchmark/benchmark.h>

#include <array>

using namespace koordel;

namespace {

struct Panels : StatusPanels {
  std::array<QString, 8> texts;
  void setPanelText(int panel, const QString& text) override { texts[panel] = text; }
};

void calibrate(ValueSheet& sheet) {
  sheet.setText(Field::基準値X, QStringLiteral("1500"));
  sheet.setText(Field::基準値Y, QStringLiteral("2250"));
  sheet.setText(Field::指定基準X, QStringLiteral("100"));
  sheet.setText(Field::指定基準Y, QStringLiteral("200"));
  sheet.setText(Field::x軸係数, QStringLiteral("0.06944"));
  sheet.setText(Field::Y軸係数, QStringLiteral("0.01736"));
  sheet.setText(Field::x軸単位, QStringLiteral("mm"));
  sheet.setText(Field::Y軸単位, QStringLiteral("mm"));
}

void moveAcross(benchmark::State& state, double tilt) {
  ValueSheet sheet;
  calibrate(sheet);
  sheet.setTilt(tilt);
  Selections selections;
  Panels panels;
  GestureTracker tracker(sheet, selections, panels);
  float x = 0;
  for (auto _ : state) {
    tracker.move({0, 0, x, 280860.0f - x});
    x += 15.0f;
    if (x > 198660.0f) {
      x = 0;
    }
    benchmark::DoNotOptimize(panels.texts[2].constData());
  }
}

void BM_PointerMove(benchmark::State& state) {
  moveAcross(state, 0);
}
BENCHMARK(BM_PointerMove);

// The same on a tilted scan: each coordinate turned back about the reference.
void BM_PointerMoveTilted(benchmark::State& state) {
  moveAcross(state, 1.5);
}
BENCHMARK(BM_PointerMoveTilted);

void BM_PressAndRelease(benchmark::State& state) {
  ValueSheet sheet;
  calibrate(sheet);
  Selections selections;
  Panels panels;
  GestureTracker tracker(sheet, selections, panels);
  float x = 0;
  for (auto _ : state) {
    tracker.press({1, 0, x, x});
    tracker.release({1, 0, x + 1440.0f, x + 720.0f});
    x += 15.0f;
  }
}
BENCHMARK(BM_PressAndRelease);

}  // namespace

BENCHMARK_MAIN();

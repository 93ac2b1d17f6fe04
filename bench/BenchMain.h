#pragma once

#include <QByteArray>

#include <benchmark/benchmark.h>

// Google Benchmark's own main, inside an offscreen toolkit application of
// the kind `App` (QGuiApplication, or QApplication for windows).
template <class App>
int runOffscreen(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  App app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

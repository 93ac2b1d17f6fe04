// Records into a real LibreOffice Calc: the first row, when the office must
// be started, and each 10-cell row once the link is up. The office runs
// headless with a throwaway profile and is ended at the close.
#include "CalcModule.h"
#include "Record.h"
#include "Selections.h"
#include "SpreadsheetLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>

using namespace koordel;

namespace {

QTemporaryDir* g_dir = nullptr;
Selections g_selections;
SpreadsheetLink* g_link = nullptr;

Record rectangle(int i) {
  Record r(shape::kRectangle, QStringLiteral("bench %1").arg(i));
  for (int k = 0; k < 8; ++k) {
    r.addNumberText(QStringLiteral("%1.00").arg(i + k));
  }
  return r;
}

void BM_TenCellRow(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    if (g_selections.outputRow > 30000) {
      state.PauseTiming();
      g_selections.outputRow = 2;
      state.ResumeTiming();
    }
    if (g_link->send(rectangle(i++))) {
      state.SkipWithError("the row was not written");
      return;
    }
  }
}
BENCHMARK(BM_TenCellRow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void endOffices() {
  const QByteArray profile = g_dir->filePath(QStringLiteral("profile")).toUtf8();
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
    if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(profile)) {
      ::kill(entry.toInt(), SIGKILL);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  QDir(dir.path()).mkpath(QStringLiteral("home"));
  CalcOptions options;
  options.pipeName = QStringLiteral("koordel-bench-%1").arg(QCoreApplication::applicationPid());
  options.officeArguments = {
      QStringLiteral("--headless"),
      QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile"))};
  options.environment = {QStringLiteral("HOME=") + dir.filePath(QStringLiteral("home"))};
  SpreadsheetLink link(g_selections, [&] {
    return loadCalcAutomation(QStringLiteral(KOORDEL_CALC_MODULE), options);
  });
  g_link = &link;

  QElapsedTimer clock;
  clock.start();
  const std::optional<QString> first = link.send(rectangle(0));
  std::printf("first row, office started for it: %lld ms%s\n",
              static_cast<long long>(clock.elapsed()), first ? " (FAILED)" : "");
  if (!first) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  endOffices();
  return first ? 1 : 0;
}

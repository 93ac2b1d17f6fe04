// Opening big pictures as 平面画像読込 does, side by side with the toolkit's
// bare decode of the same file: time from the file dialog's accept to the
// first paint of the visible window (at 100 % and with 全体を表示), to the
// whole picture decoded, and peak resident memory. Each figure comes from a
// process of its own, so that one's memory does not hide the other's.
//   open_picture make DIR          write the benchmark pictures into DIR
//   open_picture qt FILE           the toolkit's bare decode
//   open_picture koordel FILE      the program's open
//   open_picture fit FILE          the same, then 全体を表示 at once
//   open_picture preview FILE      a JPEG's 1/8 preview alone
//   open_picture all DIR           both for every picture, as a table, each
//                                  peak against its bound (exit status 1
//                                  when one is exceeded); the best of three
//                                  runs, or of KOORDEL_BENCH_RUNS
#include "BenchMemory.h"
#include "BenchPictures.h"
#include "BenchScans.h"
#include "CanvasWidget.h"
#include "MainWindow.h"
#include "PictureLoader.h"
#include "RasterPicture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// Each picture's peak has a bound: under so many MiB, or within so many
// times the toolkit's own peak for the same file.
struct Sample {
  const char* name;
  const char* file;
  double boundMiB;       // 0: none
  double timesToolkits;  // 0: none
};

const Sample kSamples[] = {
    {"10000 x 8000 JPEG", "photo.jpg", 200, 0},
    {"A0 1-bit G4 TIFF (scan B)", "a0-g4.tif", 90, 0},
    {"A0 8-bit grey TIFF, clean", "a0-grey.tif", 0, 1.1},
    {"4000 x 3000 PNG", "4000x3000.png", 100, 0},
    {"A0 colour JPEG (scan C)", "a0-colour.jpg", 450, 0},
    {"A0 grey scan, LZW strips", "a0-scan-strips.tif", 0, 1.1},
    {"A0 grey scan, Deflate tiles", "a0-scan-tiles.tif", 0, 1.1},
    {"A0 colour map scan, JPEG", "a0-scan-map.jpg", 450, 0},
};

const QSize kA0(13244, 18724);

bool writeWithToolkit(const QString& path, const QImage& image, int compression) {
  QImageWriter writer(path);
  writer.setCompression(compression);
  writer.setQuality(90);
  return writer.write(image);
}

bool make(const QDir& dir) {
  const auto missing = [&](const char* name) { return !dir.exists(QString::fromLatin1(name)); };
  const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  bool ok = true;
  if (missing("photo.jpg")) {
    ok &=
        writeWithToolkit(at("photo.jpg"), drawingLike(QSize(10000, 8000), QImage::Format_RGB32), 1);
  }
  if (missing("a0-g4.tif")) {
    ok &= QFile::copy(scanB(), at("a0-g4.tif"));
  }
  if (missing("a0-grey.tif")) {
    ok &= writeWithToolkit(at("a0-grey.tif"), sheetLike(kA0, QImage::Format_Grayscale8), 1);
  }
  if (missing("4000x3000.png")) {
    ok &= drawingLike(QSize(4000, 3000), QImage::Format_RGB32).save(at("4000x3000.png"));
  }
  if (missing("a0-colour.jpg")) {
    ok &= QFile::copy(scanC(), at("a0-colour.jpg"));
  }
  if (missing("a0-scan-strips.tif") || missing("a0-scan-tiles.tif") || missing("a0-scan-map.jpg")) {
    const scans::Scans made = scans::scannedSheets();
    for (const auto& [from, to] :
         {std::pair{made.strips, "a0-scan-strips.tif"}, std::pair{made.tiles, "a0-scan-tiles.tif"},
          std::pair{made.map, "a0-scan-map.jpg"}}) {
      if (missing(to)) {
        ok &= QFile::copy(from, at(to));
      }
    }
  }
  return ok;
}

double ms(const QElapsedTimer& timer) {
  return timer.nsecsElapsed() / 1e6;
}

int bareDecode(const QString& path) {
  QImageReader::setAllocationLimit(0);
  QElapsedTimer timer;
  timer.start();
  QImageReader reader(path);
  const QImage image = reader.read();
  const double decode = ms(timer);
  if (image.isNull()) {
    std::fprintf(stderr, "%s\n", qPrintable(reader.errorString()));
    return 1;
  }
  std::printf("qt decode %.0f ms, peak %.0f MiB\n", decode, statusKiB("VmHWM:") / 1024.0);
  return 0;
}

// A decoder's coarse whole picture on its own (a JPEG's 1/8 decode): the
// least time 全体を表示 can take for it.
int previewAlone(const QString& path) {
  QElapsedTimer timer;
  timer.start();
  OpenedPicture opened = openPictureFile(path);
  if (!opened.decoder) {
    return 1;
  }
  const QImage preview = opened.decoder->preview([] { return false; });
  std::printf("preview %dx%d in %.0f ms\n", preview.width(), preview.height(), ms(timer));
  return 0;
}

// Runs the event loop until `done` holds, asking every few milliseconds
// and sleeping between, as the program's own loop sleeps: given a time
// limit, processEvents returns at once when nothing waits, and the loop
// took a processor from the decode it measured.
template <class Done>
void until(Done done) {
  QTimer tick;
  tick.start(3);
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

int open(const QString& path, bool fit) {
  MainWindow window;
  window.show();
  QCoreApplication::processEvents();
  if (qEnvironmentVariableIsSet("KOORDEL_BENCH_DETAIL")) {
    std::printf("window alone %.0f MiB\n", statusKiB("VmRSS:") / 1024.0);
  }
  QElapsedTimer timer;
  timer.start();
  if (!window.openPicture(path)) {
    return 1;
  }
  const double opened = ms(timer);
  auto* picture = dynamic_cast<RasterPicture*>(window.canvas()->surface().shown());
  QWidget* area = window.pictureArea();
  if (fit) {
    window.zoomToFit();
    until([&] { return picture->showsWhole(); });
  } else {
    const int visible = std::min(area->height(), picture->size().height());
    until([&] { return picture->decodedRows() >= visible; });
  }
  const double rowsThere = ms(timer);
  const QPixmap shown = area->grab();
  const double first = ms(timer);
  // What the first paint showed, to look at.
  if (const QString shot = qEnvironmentVariable("KOORDEL_BENCH_SHOT"); !shot.isEmpty()) {
    shown.save(shot);
  }
  if (qEnvironmentVariableIsSet("KOORDEL_BENCH_DETAIL")) {
    std::printf("rows there %.1f ms, painted %.1f ms, %d rows decoded then\n", rowsThere, first,
                picture->decodedRows());
  }
  until([&] { return picture->isDecoded(); });
  const double whole = ms(timer);
  picture->waitUntilReady();
  const double reduced = ms(timer);
  if (qEnvironmentVariableIsSet("KOORDEL_BENCH_DETAIL")) {
    QElapsedTimer again;
    again.start();
    area->grab();
    std::printf("painted again, all decoded, %.1f ms\n", ms(again));
  }
  if (qEnvironmentVariableIsSet("KOORDEL_BENCH_DETAIL")) {
    std::printf("header read and shown %.1f ms\n", opened);
  }
  std::printf(
      "koordel first paint%s %.0f ms, decoded %.0f ms, reduced copies %.0f ms, peak %.0f MiB\n",
      fit ? " (fit)" : "", first, whole, reduced, statusKiB("VmHWM:") / 1024.0);
  return 0;
}

QString run(const QString& mode, const QString& path) {
  QProcess process;
  process.start(QCoreApplication::applicationFilePath(), {mode, path});
  process.waitForFinished(-1);
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The figure after `label` in `line`, or -1.
double figure(const QString& line, const QString& label) {
  const QRegularExpression number(QRegularExpression::escape(label) + u" ([0-9.]+)"_s);
  const QRegularExpressionMatch match = number.match(line);
  return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

// Every picture opened side by side with the toolkit's decode, as a table
// for the README, each peak against its bound; 1 when one is exceeded.
int table(const QDir& dir, int runs) {
  std::printf(
      "| picture | toolkit's decode | Koordel's decode | first paint at 100 %% | 全体を表示 "
      "| peak (toolkit's) | bound |\n|---|---|---|---|---|---|---|\n");
  QStringList exceeded;
  for (const Sample& sample : kSamples) {
    const QString file = dir.filePath(QString::fromLatin1(sample.file));
    // Each time the least of a few runs (what the machine's other work
    // disturbed least), each peak the highest.
    double toolkit = 1e9;
    double decoded = 1e9;
    double firstPaint = 1e9;
    double whole = 1e9;
    double toolkitPeak = -1;
    double peak = -1;
    for (int i = 0; i < runs; ++i) {
      const QString qt = run(u"qt"_s, file);
      const QString ours = run(u"koordel"_s, file);
      const QString fit = run(u"fit"_s, file);
      toolkit = std::min(toolkit, figure(qt, u"qt decode"_s));
      decoded = std::min(decoded, figure(ours, u"decoded"_s));
      firstPaint = std::min(firstPaint, figure(ours, u"first paint"_s));
      whole = std::min(whole, figure(fit, u"first paint (fit)"_s));
      toolkitPeak = std::max(toolkitPeak, figure(qt, u"peak"_s));
      peak = std::max({peak, figure(ours, u"peak"_s), figure(fit, u"peak"_s)});
    }
    const double bound = sample.boundMiB > 0 ? sample.boundMiB : sample.timesToolkits * toolkitPeak;
    const bool over = peak < 0 || peak > bound;
    const QString boundText =
        sample.boundMiB > 0 ? u"%1 MiB"_s.arg(sample.boundMiB)
                            : u"%1x: %2 MiB"_s.arg(sample.timesToolkits).arg(bound, 0, 'f', 0);
    std::printf(
        "| %s (%.0f MB) | %.0f ms | %.0f ms (%.2fx) | %.0f ms | %.0f ms | %.0f MiB (%.0f) | %s %s "
        "|\n",
        sample.name, QFileInfo(file).size() / 1e6, toolkit, decoded, decoded / toolkit, firstPaint,
        whole, peak, toolkitPeak, qPrintable(boundText), over ? "EXCEEDED" : "kept");
    std::fflush(stdout);
    if (over) {
      exceeded << QString::fromLatin1(sample.name);
    }
  }
  if (!exceeded.isEmpty()) {
    std::printf("peak memory over its bound: %s\n", qPrintable(exceeded.join(u", "_s)));
    return 1;
  }
  std::printf("every peak within its bound\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: open_picture make|qt|koordel|fit|all PATH\n");
    return 2;
  }
  const QByteArray mode = argv[1];
  const QString path = QString::fromLocal8Bit(argv[2]);
  if (mode == "make") {
    return make(QDir(path)) ? 0 : 1;
  }
  if (mode == "qt") {
    return bareDecode(path);
  }
  if (mode == "preview") {
    return previewAlone(path);
  }
  if (mode == "koordel" || mode == "fit") {
    return open(path, mode == "fit");
  }
  if (mode == "all") {
    const QDir dir(path);
    if (!make(dir)) {
      return 1;
    }
    const int runs = qEnvironmentVariableIsSet("KOORDEL_BENCH_RUNS")
                         ? std::max(1, qEnvironmentVariableIntValue("KOORDEL_BENCH_RUNS"))
                         : 3;
    return table(dir, runs);
  }
  return 2;
}

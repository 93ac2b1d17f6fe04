#include "CanvasWidget.h"
#include "MainWindow.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "../Resident.h"

using namespace koordel;
using namespace Qt::StringLiterals;

// Ten thousand gestures to each destination: no record lost or doubled, and
// no memory that grows with them.
class TestSoak : public QObject {
  Q_OBJECT

 private slots:
  void tenThousandGesturesEach_data();
  void tenThousandGesturesEach();
  void tenThousandTakenBackAndDoneAgain_data();
  void tenThousandTakenBackAndDoneAgain();
};

void TestSoak::tenThousandGesturesEach_data() {
  QTest::addColumn<int>("destination");
  QTest::newRow("clipboard") << 1;
  QTest::newRow("coordinate file") << 2;
}

void TestSoak::tenThousandGesturesEach() {
  QFETCH(int, destination);
  constexpr int kGestures = 10000;
  constexpr int kWarmUp = 1000;
  QTemporaryDir dir;
  MainWindow window;
  window.setCoordinateFolder(dir.path());
  // Undo keeps the pixels under each shape: bounded, so that what undo keeps
  // stops growing well before the warm-up ends.
  window.history().setBudget(2 * 1024 * 1024);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  for (QAction* item : window.findChildren<QAction*>(u"B11"_s)) {
    if (item->data().toInt() == destination) {
      item->trigger();
    }
  }
  QList<QAction*> shapes = window.findChildren<QAction*>(u"C11"_s);
  std::sort(shapes.begin(), shapes.end(),
            [](QAction* a, QAction* b) { return a->data().toInt() < b->data().toInt(); });

  qint64 afterWarmUp = 0;
  CanvasWidget* canvas = window.canvas();
  for (int i = 0; i < kGestures; ++i) {
    if (i == kWarmUp) {
      afterWarmUp = residentKiB();
    }
    // The four shapes in turn, always at the same few places, so the drawing
    // layer stops growing once it has them.
    shapes.at(1 + i % 4)->trigger();
    const QPoint from(100 + (i % 4) * 200, 200);
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from + QPoint(40, 30));
  }
  const qint64 atEnd = residentKiB();
  qInfo("resident memory after %d gestures: %lld KiB, at the end: %lld KiB", kWarmUp, afterWarmUp,
        atEnd);
  if (kResidentMemoryMeansLeaks) {
    QVERIFY2(atEnd <= afterWarmUp * 105 / 100, "memory grew with the gestures");
  }

  if (destination == 1) {
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(u"四角,"_s));
  } else {
    QFile file(window.coordinateFile().path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), kGestures + 1);  // and an empty rest after the last CR LF
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < kGestures; ++i) {
      QVERIFY(lines.at(i).endsWith('\r'));
    }
  }
  QCOMPARE(window.selections().outputRow, qint16(1));
}

void TestSoak::tenThousandTakenBackAndDoneAgain_data() {
  tenThousandGesturesEach_data();
}

// Ten thousand captures, all taken back, all done again: the picture and
// 座標.txt (or the clipboard) are byte for byte what the captures left.
void TestSoak::tenThousandTakenBackAndDoneAgain() {
  QFETCH(int, destination);
  constexpr int kCaptures = 10000;
  QTemporaryDir dir;
  MainWindow window;
  window.setCoordinateFolder(dir.path());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  for (QAction* item : window.findChildren<QAction*>(u"B11"_s)) {
    if (item->data().toInt() == destination) {
      item->trigger();
    }
  }
  for (QAction* item : window.findChildren<QAction*>(u"C11"_s)) {
    if (item->data().toInt() == 1) {  // 点: each at a place of its own
      item->trigger();
    }
  }
  QGuiApplication::clipboard()->setText(u"before"_s);
  const PictureCanvas& surface = window.canvas()->surface();
  const QImage blank = surface.composed(surface.rect());
  CanvasWidget* canvas = window.canvas();
  for (int i = 0; i < kCaptures; ++i) {
    const QPoint at(5 + (i % 125) * 7, 5 + (i / 125) * 7);
    QTest::mousePress(canvas, Qt::LeftButton, {}, at);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, at);
  }
  const QImage captured = surface.composed(surface.rect());
  const QByteArray file = [&] {
    QFile f(window.coordinateFile().path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  const QString clipboard = QGuiApplication::clipboard()->text();
  QCOMPARE(window.history().undoDepth(), kCaptures);

  QAction* undo = window.findChild<QAction*>(u"元に戻す"_s);
  QAction* redo = window.findChild<QAction*>(u"やり直し"_s);
  for (int i = 0; i < kCaptures; ++i) {
    undo->trigger();
  }
  QVERIFY(!window.history().canUndo());
  QCOMPARE(surface.composed(surface.rect()), blank);
  QCOMPARE(QFileInfo(window.coordinateFile().path()).size(), 0);
  if (destination == 1) {
    QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
  }
  for (int i = 0; i < kCaptures; ++i) {
    redo->trigger();
  }
  QCOMPARE(surface.composed(surface.rect()), captured);
  QFile f(window.coordinateFile().path());
  QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), file);
  QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"

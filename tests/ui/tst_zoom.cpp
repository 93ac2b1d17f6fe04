// The view through the real main window: zoom, the resizable layout, the
// loupe, and that positions and drawings stay in image pixels throughout.
#include "CanvasWidget.h"
#include "ClientLayout.h"
#include "Loupe.h"
#include "Readout.h"
#include "ScriptedWindow.h"
#include "Spoken.h"
#include "StatusBar.h"
#include "TwipsGeometry.h"
#include "Zoom.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// A pointer event on the canvas at canvas pixel `at` (sub-pixel allowed).
void mouse(CanvasWidget* canvas, QEvent::Type type, QPointF at) {
  QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &event);
}

// Ctrl + wheel at `inArea` (picture area pixels), to whichever widget lies
// under the pointer there: the canvas, or the area's blank room around it.
void ctrlWheel(QWidget* area, QPointF inArea, int delta) {
  QWidget* under = area->childAt(inArea.toPoint());
  if (!under) {
    under = area;
  }
  const QPointF at = under->mapFrom(area, inArea);
  QWheelEvent event(at, under->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(under, &event);
}

}  // namespace

class TestZoom : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void zoomSteps_data();
  void zoomSteps();
  void designLayoutAndGrowth();
  void gesturesRecordImageTwips_data();
  void gesturesRecordImageTwips();
  void wheelZoomKeepsThePointUnderThePointer_data();
  void wheelZoomKeepsThePointUnderThePointer();
  void wheelNeverLeavesTheRange();
  void shapesAreTheSameAtEveryZoom_data();
  void shapesAreTheSameAtEveryZoom();
  void wholePictureReachable_data();
  void wholePictureReachable();
  void fitShowsExtremeSheetsWhole_data();
  void fitShowsExtremeSheetsWhole();
  void zoomOutShowsOnePixelLines_data();
  void zoomOutShowsOnePixelLines();
  void zoomReadout();
  void zoomReadoutShowsWhole_data();
  void zoomReadoutShowsWhole();
  void loupeStaysBesideThePointer_data();
  void loupeStaysBesideThePointer();
  void resizeDuringAGestureCompletesIt();
  void zoomWithoutAPictureIsHarmless();

 private:
  void load(const QImage& picture);

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  MainWindow* m_window = nullptr;
};

void TestZoom::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  m_window = &m_scripted->window;
  m_window->setCoordinateFolder(m_dir->path());
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestZoom::cleanup() {
  m_scripted.reset();
}

void TestZoom::load(const QImage& picture) {
  const QString path = m_dir->filePath(u"picture.png"_s);
  QVERIFY(picture.save(path));
  m_scripted->files->answers = {path};
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_window->canvas()->surface().size(), picture.size());
}

void TestZoom::zoomSteps_data() {
  QTest::addColumn<double>("from");
  QTest::addColumn<int>("steps");
  QTest::addColumn<double>("to");
  const double root = std::pow(2.0, 0.25);
  QTest::newRow("one up") << 1.0 << 1 << root;
  QTest::newRow("one down") << 1.0 << -1 << 1 / root;
  QTest::newRow("four up doubles") << 1.0 << 4 << 2.0;
  QTest::newRow("twenty up is 32") << 1.0 << 20 << 32.0;
  QTest::newRow("no further than 32") << 32.0 << 3 << 32.0;
  QTest::newRow("no further than 1/128") << 1.0 << -400 << zoom::kMin;
  QTest::newRow("a fit lands on the grid up") << 0.3 << 1 << std::pow(2.0, -6 / 4.0);
  QTest::newRow("a fit lands on the grid down") << 0.3 << -1 << std::pow(2.0, -7 / 4.0);
  QTest::newRow("not a number") << std::nan("") << 1 << root;
  QTest::newRow("infinite is taken as 1") << HUGE_VAL << -1 << 1 / root;
  QTest::newRow("huge step counts") << 1.0 << 2000000000 << 32.0;
}

void TestZoom::zoomSteps() {
  QFETCH(double, from);
  QFETCH(int, steps);
  QFETCH(double, to);
  QVERIFY(std::abs(zoom::stepped(from, steps) - to) < 1e-12);
}

void TestZoom::designLayoutAndGrowth() {
  // At the design size, every control where the twips put it.
  const ClientLayout design = ClientLayout::forSize(ClientLayout::designSize());
  QCOMPARE(ClientLayout::designSize(), QSize(1018, 666));
  QCOMPARE(design.horizontalBar, twipsRect(0, 9120, 14895, 375));
  QCOMPARE(design.verticalBar, twipsRect(14880, 0, 375, 9135));
  QCOMPARE(design.commentBox, twipsRect(10320, 9600, 4815, 315));
  QCOMPARE(design.statusBar, QRect(0, 641, 1018, 25));
  QCOMPARE(design.pictureArea, QRect(0, 0, 992, 608));
  QCOMPARE(m_window->pictureArea()->geometry(), design.pictureArea);

  // Grown: the picture area takes the room, the rest stays along the edges.
  m_window->resize(m_window->size() + QSize(300, 200));
  QTRY_COMPARE(m_window->centralWidget()->size(), QSize(1318, 866));
  QCOMPARE(m_window->pictureArea()->size(), QSize(1292, 808));
  QCOMPARE(m_window->verticalBar()->geometry().right(), 1316);
  QCOMPARE(m_window->horizontalBar()->geometry().bottom(), 832);
  auto* comment = m_window->findChild<QWidget*>(u"コメント"_s);
  QCOMPARE(comment->geometry().right(), 1308);
  QCOMPARE(comment->width(), 321);

  // Never smaller than the controls need: the comment box narrows no further.
  m_window->resize(100, 100);
  QTRY_COMPARE(m_window->centralWidget()->size(), ClientLayout::minimumSize());
  QVERIFY(comment->x() >= 688);
  QVERIFY(m_window->pictureArea()->height() >= 120);
}

void TestZoom::gesturesRecordImageTwips_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<QPointF>("onCanvas");
  QTest::addColumn<QString>("x");
  QTest::addColumn<QString>("y");
  // At 4x the pointer on the right half of image pixel 100 lies between
  // 1507.5 and 1515 twips.
  QTest::newRow("4x") << 4.0 << QPointF(402.5, 80) << u"1509.375"_s << u"300"_s;
  // At 1/8 one screen pixel is 8 image pixels.
  QTest::newRow("1/8") << 0.125 << QPointF(13, 7) << u"1560"_s << u"840"_s;
  QTest::newRow("one step") << std::pow(2.0, 0.25) << QPointF(120, 240) << u"1513.614"_s
                            << u"3027.227"_s;
  // At 100% anywhere in image pixel 299 is its corner; at 3200% the last
  // screen pixel inside it is 31/32 of the way across, kept to 7 digits.
  QTest::newRow("1x inside pixel 299") << 1.0 << QPointF(299, 299) << u"4485"_s << u"4485"_s;
  QTest::newRow("32x inside pixel 299")
      << 32.0 << QPointF(9599, 9599) << u"4499.531"_s << u"4499.531"_s;
  QTest::newRow("32x inside pixel 999")
      << 32.0 << QPointF(31999, 31999) << u"14999.53"_s << u"14999.53"_s;
}

void TestZoom::gesturesRecordImageTwips() {
  QFETCH(double, zoom);
  QFETCH(QPointF, onCanvas);
  QFETCH(QString, x);
  QFETCH(QString, y);
  load(QImage(4000, 3000, QImage::Format_RGB32));
  m_window->zoomAbout(zoom, QPointF(0, 0));
  CanvasWidget* canvas = m_window->canvas();
  QCOMPARE(canvas->zoom(), zoom);
  mouse(canvas, QEvent::MouseButtonPress, onCanvas);
  mouse(canvas, QEvent::MouseButtonRelease, onCanvas);
  const ValueSheet& sheet = m_window->valueSheet();
  QCOMPARE(sheet.text(Field::down座標x), x);
  QCOMPARE(sheet.text(Field::up座標y), y);
  // The readout and the converted fields are what the same image position
  // gives at 100%.
  QCOMPARE(sheet.text(Field::変換up座標y), u"%1"_s.arg(2 - y.toDouble(), 0, 'f', 2));
}

void TestZoom::wheelZoomKeepsThePointUnderThePointer_data() {
  QTest::addColumn<double>("from");
  QTest::addColumn<int>("delta");
  QTest::addColumn<QPointF>("inArea");
  QTest::newRow("in at the middle") << 1.0 << 120 << QPointF(496, 304);
  QTest::newRow("three in near a corner") << 1.0 << 360 << QPointF(900, 550);
  QTest::newRow("out from 4x") << 4.0 << -120 << QPointF(300, 200);
  QTest::newRow("touchpad, in small turns") << 2.0 << 130 << QPointF(617.5, 211.25);
  // Smaller than the area, the picture moves within it to stay under the
  // pointer: from the whole sheet straight into a detail.
  QTest::newRow("in from a small view") << 0.125 << 360 << QPointF(400, 300);
  QTest::newRow("up to filling the area") << 0.125 << 1200 << QPointF(300, 200);
  // Over the blank room beside and below a picture zoomed out smaller than
  // the area, the wheel works as over the picture.
  QTest::newRow("in over the blank room") << 0.125 << 360 << QPointF(800, 500);
  QTest::newRow("out over the blank room") << 0.125 << -120 << QPointF(700, 100);
  QTest::newRow("in below the picture") << 0.125 << 120 << QPointF(200, 550);
}

void TestZoom::wheelZoomKeepsThePointUnderThePointer() {
  QFETCH(double, from);
  QFETCH(int, delta);
  QFETCH(QPointF, inArea);
  load(QImage(4000, 3000, QImage::Format_RGB32));
  m_window->zoomAbout(from, QPointF(0, 0));
  m_window->horizontalBar()->setValue(m_window->horizontalBar()->maximum() / 2);
  m_window->verticalBar()->setValue(m_window->verticalBar()->maximum() / 2);
  CanvasWidget* canvas = m_window->canvas();
  QWidget* area = m_window->pictureArea();
  const auto imageUnder = [&] { return QPointF(canvas->mapFrom(area, inArea)) / canvas->zoom(); };
  const QPointF before = imageUnder();
  // A mouse turns 120 to a notch; a touchpad sends small pieces.
  const int piece = delta == 130 ? 13 : (delta < 0 ? -120 : 120);
  const bool overPicture = QRect(canvas->geometry()).contains(inArea.toPoint());
  QCOMPARE(area->childAt(inArea.toPoint()) == canvas, overPicture);
  for (int turned = 0; std::abs(turned) < std::abs(delta); turned += piece) {
    ctrlWheel(area, inArea, piece);
  }
  QVERIFY(canvas->zoom() != from);
  const QPointF moved = (imageUnder() - before) * canvas->zoom();
  QVERIFY2(std::abs(moved.x()) <= 0.5 && std::abs(moved.y()) <= 0.5,
           qPrintable(u"moved by %1, %2 screen pixels"_s.arg(moved.x()).arg(moved.y())));
}

void TestZoom::wheelNeverLeavesTheRange() {
  load(QImage(400, 300, QImage::Format_RGB32));
  CanvasWidget* canvas = m_window->canvas();
  for (int delta : {2000000000, -2000000000, 1, -1, 2000000000}) {
    ctrlWheel(m_window->pictureArea(), canvas->mapTo(m_window->pictureArea(), QPointF(10, 10)),
              delta);
    QVERIFY(canvas->zoom() >= zoom::kMin && canvas->zoom() <= zoom::kMax);
  }
  QCOMPARE(canvas->zoom(), zoom::kMax);
  mouse(canvas, QEvent::MouseButtonPress, QPointF(33, 17));
  mouse(canvas, QEvent::MouseButtonRelease, QPointF(33, 17));
  QVERIFY(std::isfinite(m_window->valueSheet().number(Field::up座標x)));
  QCOMPARE(m_window->valueSheet().text(Field::up座標x), u"15.46875"_s);
}

void TestZoom::shapesAreTheSameAtEveryZoom_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<int>("shape");
  for (double z : {0.25, 8.0}) {
    for (int shape : {1, 2, 3, 4}) {
      QTest::addRow("%g shape %d", z, shape) << z << shape;
    }
  }
}

// The same image positions give the same pixels whatever the zoom, widths
// included: shapes are drawn into the picture's own grid.
void TestZoom::shapesAreTheSameAtEveryZoom() {
  QFETCH(double, zoom);
  QFETCH(int, shape);
  const QPointF press(100, 80), release(300, 200);  // image pixels
  QImage white(600, 400, QImage::Format_RGB32);
  white.fill(Qt::white);
  const auto draw = [&](double z) {
    load(white);
    m_window->lineStyle().widthText = u"3"_s;
    m_scripted->choose(u"C11"_s, shape);
    m_window->zoomAbout(z, QPointF(0, 0));
    mouse(m_window->canvas(), QEvent::MouseButtonPress, press * z);
    mouse(m_window->canvas(), QEvent::MouseButtonRelease, release * z);
    return m_window->canvas()->surface().composed(QRect(0, 0, 600, 400));
  };
  const QImage atActualSize = draw(1);
  const QImage zoomed = draw(zoom);
  QCOMPARE(zoomed, atActualSize);
  QVERIFY(atActualSize != white.convertToFormat(atActualSize.format()));  // something was drawn
}

void TestZoom::wholePictureReachable_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("100%") << 1.0;
  QTest::newRow("one step in") << std::pow(2.0, 0.25);
  QTest::newRow("4x") << 4.0;
  QTest::newRow("one step out") << std::pow(2.0, -0.25);
}

void TestZoom::wholePictureReachable() {
  QFETCH(double, zoom);
  QImage picture(2500, 1500, QImage::Format_RGB32);
  picture.fill(Qt::white);
  picture.setPixel(2499, 1499, qRgb(0, 0, 0));
  load(picture);
  m_window->zoomAbout(zoom, QPointF(0, 0));
  m_window->horizontalBar()->setValue(m_window->horizontalBar()->maximum());
  m_window->verticalBar()->setValue(m_window->verticalBar()->maximum());
  QWidget* area = m_window->pictureArea();
  CanvasWidget* canvas = m_window->canvas();
  // The last image pixel's far corner is inside the area, beside the bars.
  const QPoint lastCorner = canvas->mapTo(area, QPoint(canvas->width(), canvas->height()));
  QVERIFY2(lastCorner.x() <= area->width() && lastCorner.y() <= area->height(),
           qPrintable(u"%1,%2"_s.arg(lastCorner.x()).arg(lastCorner.y())));
  const QImage shown = area->grab().toImage();
  // Its pixel shows: itself zoomed in, averaged with its neighbours zoomed out.
  const QPointF last = QPointF(2499.5, 1499.5) * zoom;
  const QPoint lastPixel = canvas->mapTo(area, QPoint(int(last.x()), int(last.y())));
  QVERIFY(area->rect().contains(lastPixel));
  QVERIFY(zoom >= 1 ? shown.pixel(lastPixel) == qRgb(0, 0, 0)
                    : qGray(shown.pixel(lastPixel)) < 200);
}

void TestZoom::fitShowsExtremeSheetsWhole_data() {
  QTest::addColumn<QSize>("size");
  QTest::newRow("A0 at 100 dpi") << QSize(3311, 4681);
  QTest::newRow("a long strip") << QSize(20000, 300);
  QTest::newRow("a tall strip") << QSize(300, 20000);
  QTest::newRow("smaller than the area") << QSize(200, 100);
}

void TestZoom::fitShowsExtremeSheetsWhole() {
  QFETCH(QSize, size);
  QImage picture(size, QImage::Format_Mono);
  picture.fill(0);
  load(picture);
  m_scripted->run(u"全体を表示"_s);
  const QSize shown = m_window->canvas()->size();
  const QSize area = m_window->pictureArea()->size();
  QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
  QVERIFY(shown.width() >= area.width() - 1 || shown.height() >= area.height() - 1);
  QCOMPARE(m_window->horizontalBar()->maximum(), 0);
  QCOMPARE(m_window->verticalBar()->maximum(), 0);
}

void TestZoom::zoomOutShowsOnePixelLines_data() {
  QTest::addColumn<int>("format");
  QTest::addColumn<double>("zoom");
  for (double z : {0.125, 0.375, 0.7}) {
    QTest::addRow("1-bit at %g", z) << int(QImage::Format_Mono) << z;
    QTest::addRow("grey at %g", z) << int(QImage::Format_Grayscale8) << z;
    QTest::addRow("colour at %g", z) << int(QImage::Format_RGB32) << z;
  }
}

// Zoomed out, pixels are averaged: a one-pixel line on a scan shows grey
// instead of vanishing, and a drawn shape stays visible.
void TestZoom::zoomOutShowsOnePixelLines() {
  QFETCH(int, format);
  QFETCH(double, zoom);
  QImage picture(1600, 1200, QImage::Format_RGB32);
  picture.fill(Qt::white);
  for (int x = 0; x < 1600; ++x) {
    picture.setPixel(x, 601, qRgb(0, 0, 0));
  }
  load(picture.convertToFormat(static_cast<QImage::Format>(format)));
  m_window->canvas()->surface().drawLine(QPointF(0, 301) * 15, QPointF(1599, 301) * 15, Qt::red);
  m_window->canvas()->waitForPyramid();
  m_window->zoomAbout(zoom, QPointF(0, 0));
  const QImage shown = m_window->canvas()->grab().toImage();
  int greyRows = 0, redRows = 0;
  for (int y = 0; y < shown.height(); ++y) {
    bool grey = true, red = true;
    for (int x = 10; x < shown.width() - 10; ++x) {
      const QRgb c = shown.pixel(x, y);
      grey = grey && qRed(c) < 250 && qRed(c) == qBlue(c);
      red = red && qRed(c) > qBlue(c) + 40;
    }
    greyRows += grey;
    redRows += red;
  }
  QVERIFY2(greyRows >= 1 && greyRows <= 3, qPrintable(QString::number(greyRows)));
  QVERIFY2(redRows >= 1 && redRows <= 3, qPrintable(QString::number(redRows)));
}

void TestZoom::zoomReadout() {
  load(QImage(400, 300, QImage::Format_RGB32));
  Readout* readout = m_window->zoomReadout();
  QCOMPARE(readout->value(), u"100%"_s);
  m_scripted->run(u"拡大"_s);
  QCOMPARE(spoken(readout).value, u"119%"_s);
  QCOMPARE(spoken(readout).name, u"表示倍率"_s);
  m_scripted->run(u"等倍"_s);
  QCOMPARE(readout->value(), u"100%"_s);
  m_scripted->run(u"縮小"_s);
  QCOMPARE(readout->value(), u"84%"_s);
  // The keys, wherever the focus is.
  m_window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(m_window));
  for (const auto& [key, shown] : {std::pair{QKeyCombination(Qt::CTRL | Qt::Key_Equal), u"100%"_s},
                                   std::pair{QKeyCombination(Qt::CTRL | Qt::Key_Plus), u"119%"_s},
                                   std::pair{QKeyCombination(Qt::CTRL | Qt::Key_Minus), u"100%"_s},
                                   std::pair{QKeyCombination(Qt::CTRL | Qt::Key_Minus), u"84%"_s},
                                   std::pair{QKeyCombination(Qt::CTRL | Qt::Key_0), u"100%"_s}}) {
    QTest::keyClick(m_window->findChild<QWidget*>(u"コメント"_s), key.key(),
                    key.keyboardModifiers());
    QCOMPARE(readout->value(), shown);
  }
  // A new picture opens at 100%.
  load(QImage(400, 300, QImage::Format_RGB32));
  QCOMPARE(m_window->canvas()->zoom(), 1.0);
  QCOMPARE(readout->value(), u"100%"_s);
  QVERIFY(m_window->menuBar()->cornerWidget(Qt::TopRightCorner)->isAncestorOf(readout));
}

void TestZoom::zoomReadoutShowsWhole_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<QString>("shown");
  QTest::newRow("largest") << zoom::kMax << u"3200%"_s;
  QTest::newRow("smallest") << zoom::kMin << u"0.8%"_s;
  QTest::newRow("one step below 100") << 1 / std::pow(2.0, 0.25) << u"84%"_s;
}

// At the window's first size, beside the design's menus: every zoom shows
// whole, never cut to "3200", and covers no menu.
void TestZoom::zoomReadoutShowsWhole() {
  QFETCH(double, zoom);
  QFETCH(QString, shown);
  load(QImage(400, 300, QImage::Format_RGB32));
  QCOMPARE(m_window->size(), m_window->sizeHint());
  m_window->zoomAbout(zoom, QPointF(0, 0));
  QApplication::processEvents();
  Readout* readout = m_window->zoomReadout();
  QCOMPARE(readout->value(), shown);
  QMenuBar* bar = m_window->menuBar();
  const QRect room = readout->contentsRect();
  const int needed = readout->fontMetrics().horizontalAdvance(shown);
  QVERIFY2(readout->isVisible() && room.width() >= needed,
           qPrintable(u"%1 pixels for %2 needing %3"_s.arg(room.width()).arg(shown).arg(needed)));
  const QRect where(readout->mapTo(bar, QPoint()), readout->size());
  QVERIFY(bar->rect().contains(where));
  for (QAction* menu : bar->actions()) {
    QVERIFY2(!bar->actionGeometry(menu).intersects(where), qPrintable(menu->text()));
  }
}

void TestZoom::loupeStaysBesideThePointer_data() {
  QTest::addColumn<QPointF>("inArea");
  QTest::newRow("middle") << QPointF(400, 300);
  QTest::newRow("near the right edge") << QPointF(980, 100);
  QTest::newRow("near the bottom right") << QPointF(980, 600);
  QTest::newRow("top left") << QPointF(2, 3);
}

void TestZoom::loupeStaysBesideThePointer() {
  QFETCH(QPointF, inArea);
  QImage picture(2000, 1500, QImage::Format_RGB32);
  picture.fill(Qt::white);
  load(picture);
  m_window->canvas()->surface().drawBox(QPointF(0, 0), QPointF(1999, 1499) * 15, Qt::blue);
  m_scripted->run(u"ルーペ"_s);
  CanvasWidget* canvas = m_window->canvas();
  QWidget* area = m_window->pictureArea();
  QMouseEvent move(QEvent::MouseMove, canvas->mapFrom(area, inArea), area->mapToGlobal(inArea),
                   Qt::NoButton, Qt::NoButton, {});
  QApplication::sendEvent(canvas, &move);
  Loupe* loupe = m_window->loupe();
  QVERIFY(loupe->isVisible());
  const QPoint pointer = area->mapTo(loupe->parentWidget(), inArea.toPoint());
  QVERIFY(!loupe->geometry().adjusted(-8, -8, 8, 8).contains(pointer));
  QVERIFY(area->geometry().contains(loupe->geometry()));
  QVERIFY(loupe->magnification() >= 8);
  // It says where the click would record, readable by assistive technology.
  const Spoken said = spoken(loupe->findChild<QWidget*>(u"ルーペの位置"_s));
  QCOMPARE(said.name, u"ルーペの位置"_s);
  QCOMPARE(said.value,
           u"X %1 Y %2"_s.arg(m_window->panels()->panelText(2), m_window->panels()->panelText(5)));
  // The drawings show in it: the blue frame at the picture's corner.
  if (inArea == QPointF(2, 3)) {
    const QImage magnified = loupe->grab().toImage();
    int blue = 0;
    for (int x = 0; x < Loupe::kSide; ++x) {
      blue += magnified.pixel(x, Loupe::kSide / 2 - 2 * 8) == qRgb(0, 0, 255);
    }
    QVERIFY(blue > 0);
  }
  // Unchecked, it goes.
  m_scripted->run(u"ルーペ"_s);
  QVERIFY(!loupe->isVisible());
}

void TestZoom::resizeDuringAGestureCompletesIt() {
  load(QImage(3000, 2000, QImage::Format_RGB32));
  m_scripted->choose(u"C11"_s, 2);  // 線
  m_scripted->choose(u"B11"_s, 2);  // ﾌｧｲﾙに書き込む
  CanvasWidget* canvas = m_window->canvas();
  mouse(canvas, QEvent::MouseButtonPress, QPointF(100, 100));
  m_window->showMaximized();
  m_window->resize(ClientLayout::minimumSize());
  QApplication::processEvents();
  mouse(canvas, QEvent::MouseButtonRelease, QPointF(200, 150));
  QFile file(m_window->coordinateFile().path());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray::fromHex("90fc") +
                               ",,1500.00,-1498.00,3000.00,-2248.00,"
                               "1677.05\r\n");
}

void TestZoom::zoomWithoutAPictureIsHarmless() {
  for (const QString& command : {u"拡大"_s, u"縮小"_s, u"全体を表示"_s, u"等倍"_s, u"ルーペ"_s}) {
    m_scripted->run(command);
  }
  ctrlWheel(m_window->pictureArea(), QPointF(5, 5), 120);
  QVERIFY(std::isfinite(m_window->canvas()->zoom()));
  QVERIFY(m_scripted->prompts->shown.isEmpty());
  QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"

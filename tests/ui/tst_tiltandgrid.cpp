// 傾き補正 and 座標格子 through the real window: the menus, the tilt beside
// the zoom, the grid's lines and labels as the view moves.
#include "Conversion.h"
#include "CoordinateGrid.h"
#include "PictureView.h"
#include "Readout.h"
#include "ScriptedWindow.h"
#include "Spoken.h"

#include <QMenu>
#include <QMenuBar>

#include <cmath>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

QStringList captions(QMenu* menu) {
  QStringList all;
  for (QAction* item : menu->actions()) {
    all << (item->isSeparator() ? u"-"_s : item->text());
  }
  return all;
}

}  // namespace

class TestTiltAndGrid : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup() { m_scripted.reset(); }
  void itemsFollowTheDesignsItems();
  void tiltFromADragOnThePicture();
  void roundSteps_data();
  void roundSteps();
  void gridLinesAndLabels_data();
  void gridLinesAndLabels();
  void gridUnderExtremeCalibrations_data();
  void gridUnderExtremeCalibrations();
  void gridBelongsToTheView();

 private:
  MainWindow& window() { return m_scripted->window; }
  void drag(QPointF from, QPointF to);  // canvas pixels at zoom 1

  std::unique_ptr<ScriptedWindow> m_scripted;
};

void TestTiltAndGrid::init() {
  m_scripted = std::make_unique<ScriptedWindow>();
  QVERIFY(QTest::qWaitForWindowExposed(&window()));
}

void TestTiltAndGrid::drag(QPointF from, QPointF to) {
  CanvasWidget* canvas = window().canvas();
  for (auto [type, at] :
       {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseMove, to},
        std::pair{QEvent::MouseButtonRelease, to}}) {
    QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(canvas, &event);
  }
}

void TestTiltAndGrid::itemsFollowTheDesignsItems() {
  QCOMPARE(captions(window().findChild<QMenu*>(u"e1"_s)),
           QStringList({u"基準値"_s, u"係数"_s, u"-"_s, u"傾き補正"_s, u"傾き補正を解除"_s}));
  const QStringList view = captions(window().findChild<QMenu*>(u"表示"_s));
  QCOMPARE(view.mid(view.size() - 2), QStringList({u"ルーペ"_s, u"座標格子"_s}));
  QVERIFY(window().findChild<QAction*>(u"座標格子"_s)->isCheckable());
  QVERIFY(!window().findChild<QAction*>(u"座標格子"_s)->isChecked());
  // A straight scan shows no tilt.
  QVERIFY(!window().tiltReadout()->isVisible());
}

void TestTiltAndGrid::tiltFromADragOnThePicture() {
  // Along a line rising 3 in 100.
  drag(QPointF(100, 400), QPointF(600, 385));
  m_scripted->prompts->yes = {true};
  m_scripted->run(u"傾き補正"_s);
  QCOMPARE(m_scripted->prompts->shown.last(), u"ask[傾き補正] 傾き 1.72° を補正しますか？"_s);
  QVERIFY(std::abs(window().valueSheet().tilt() - std::atan(0.03) * 180 / M_PI) < 1e-9);
  Readout* readout = window().tiltReadout();
  QApplication::processEvents();
  QVERIFY(readout->isVisible());
  const Spoken heard = spoken(readout);
  QCOMPARE(heard.name, u"傾き"_s);
  QCOMPARE(heard.value, u"傾き 1.72°"_s);
  // Beside the zoom, over none of the menus, both read whole.
  for (Readout* shown : {readout, window().zoomReadout()}) {
    QVERIFY2(
        shown->contentsRect().width() >= shown->fontMetrics().horizontalAdvance(shown->value()),
        qPrintable(shown->value()));
  }
  QMenuBar* bar = window().menuBar();
  const QRect where(readout->mapTo(bar, QPoint()), readout->size());
  QVERIFY(bar->rect().contains(where));
  QVERIFY(where.right() <= window().zoomReadout()->mapTo(bar, QPoint()).x());
  for (QAction* menu : bar->actions()) {
    QVERIFY2(!bar->actionGeometry(menu).intersects(where), qPrintable(menu->text()));
  }
  // Every point of that line is level in the drawing: with the reference
  // where the drag began, a click midway converts to the reference's y.
  ValueSheet& sheet = window().valueSheet();
  sheet.setText(Field::基準値X, u"1500"_s);
  sheet.setText(Field::基準値Y, u"6000"_s);
  drag(QPointF(350, 392.5), QPointF(350, 392.5));
  QCOMPARE(sheet.text(Field::変換up座標y), u"1.00"_s);
  // 1 and the 250.11 pixels along the line from the reference, at 15 twips each.
  QCOMPARE(sheet.text(Field::変換up座標x), u"3752.69"_s);

  m_scripted->run(u"傾き補正を解除"_s);
  QCOMPARE(window().valueSheet().tilt(), 0.0);
  QVERIFY(!readout->isVisible());
}

void TestTiltAndGrid::roundSteps_data() {
  QTest::addColumn<double>("least");
  QTest::addColumn<double>("step");
  QTest::newRow("1") << 1.0 << 1.0;
  QTest::newRow("just over 1") << 1.01 << 2.0;
  QTest::newRow("2.5") << 2.5 << 5.0;
  QTest::newRow("7") << 7.0 << 10.0;
  QTest::newRow("0.3") << 0.3 << 0.5;
  QTest::newRow("0.0004") << 0.0004 << 0.0005;
  QTest::newRow("150000") << 150000.0 << 200000.0;
  QTest::newRow("none") << 0.0 << 0.0;
  QTest::newRow("infinite") << double(INFINITY) << 0.0;
}

void TestTiltAndGrid::roundSteps() {
  QFETCH(double, least);
  QFETCH(double, step);
  QCOMPARE(grid::roundStep(least), step);
}

void TestTiltAndGrid::gridLinesAndLabels_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<double>("tilt");
  QTest::addColumn<double>("stepX");  // at 0.01 units a twip on x, 0.05 on y
  QTest::addColumn<double>("stepY");
  QTest::newRow("100%") << 1.0 << 0.0 << 10.0 << 50.0;
  QTest::newRow("25%") << 0.25 << 0.0 << 50.0 << 200.0;
  QTest::newRow("400%") << 4.0 << 0.0 << 2.0 << 10.0;
  QTest::newRow("3200%, turned 2.5°") << 32.0 << 2.5 << 0.5 << 2.0;
  QTest::newRow("100%, turned -44°") << 1.0 << -44.0 << 10.0 << 50.0;
}

void TestTiltAndGrid::gridLinesAndLabels() {
  QFETCH(double, zoom);
  QFETCH(double, tilt);
  QFETCH(double, stepX);
  QFETCH(double, stepY);
  ValueSheet& sheet = window().valueSheet();
  sheet.setText(Field::基準値X, u"3000"_s);
  sheet.setText(Field::基準値Y, u"4500"_s);
  sheet.setText(Field::指定基準X, u"100"_s);
  sheet.setText(Field::指定基準Y, u"-20"_s);
  sheet.setText(Field::x軸係数, u"0.01"_s);
  sheet.setText(Field::Y軸係数, u"0.05"_s);
  sheet.setText(Field::x軸単位, u"m"_s);
  sheet.setTilt(tilt);
  window().findChild<QAction*>(u"座標格子"_s)->trigger();
  window().zoomAbout(zoom, QPointF(200, 150));
  QApplication::processEvents();
  CoordinateGrid* grid = window().pictureView()->coordinateGrid();
  QVERIFY(grid->isVisible());
  const grid::Plan& plan = grid->currentPlan();
  QCOMPARE(plan.stepX, stepX);
  QCOMPARE(plan.stepY, stepY);

  // Every line lies on its value, and its label names it.
  const Conversion conversion(sheet);
  CanvasWidget* canvas = window().canvas();
  const double twipsPerPixel = 15 / canvas->zoom();
  QMap<bool, QList<double>> values;
  for (const grid::Line& line : plan.lines) {
    const double value = line.value;
    values[line.equalX] << value;
    for (double t : {0.0, 0.5, 1.0}) {
      const QPointF user =
          conversion.toUser((line.line.pointAt(t) - QPointF(canvas->pos())) * twipsPerPixel);
      QVERIFY2(std::abs((line.equalX ? user.x() : user.y()) - value) < 1e-6 * (1 + std::abs(value)),
               qPrintable(line.label));
    }
    QVERIFY(std::abs(std::remainder(value, line.equalX ? stepX : stepY)) < 1e-9);
    // Named where it meets the area's top (equal x) or left (equal y), and
    // only there.
    const QRectF shown =
        QRectF(grid->rect().intersected(canvas->geometry())).adjusted(0, 0, -1, -1);
    const double offEdge =
        line.equalX ? line.labelAt.y() - shown.top() : line.labelAt.x() - shown.left();
    QCOMPARE(line.label.isEmpty(), offEdge >= 0.5);
    if (!line.label.isEmpty()) {
      QCOMPARE(line.label.toDouble(), value);
      QVERIFY(shown.adjusted(-0.01, -0.01, 0.01, 0.01).contains(line.labelAt));
    }
  }
  // 50 to 150 screen pixels apart, across the lines.
  for (bool equalX : {true, false}) {
    QVERIFY2(values[equalX].size() >= 2, equalX ? "x" : "y");
    const double k = equalX ? 0.01 : 0.05;
    const double apart = (equalX ? stepX : stepY) / k / twipsPerPixel;
    QVERIFY2(apart >= 50 && apart <= 150, qPrintable(QString::number(apart)));
  }
  // Heard as what the labels say.
  QVERIFY2(grid->accessibleDescription().startsWith(u"X %1 m ごと（"_s.arg(stepX)),
           qPrintable(grid->accessibleDescription()));
  QVERIFY(grid->accessibleDescription().contains(u"Y %1 ごと（"_s.arg(stepY)));
}

void TestTiltAndGrid::gridUnderExtremeCalibrations_data() {
  QTest::addColumn<QString>("reference");  // 指定基準X and 指定基準Y
  QTest::addColumn<QString>("coefficient");
  QTest::addColumn<double>("tilt");
  QTest::addColumn<double>("zoom");
  QTest::newRow("reference 1E20") << u"1E20"_s << u"1"_s << 0.0 << 1.0;
  QTest::newRow("reference 1E20, turned 45°") << u"1E20"_s << u"1"_s << 45.0 << 1.0;
  QTest::newRow("reference -1E17 at 3200%") << u"-1E17"_s << u"1"_s << 0.0 << 32.0;
  QTest::newRow("coefficient 1E-300") << u"1"_s << u"1E-300"_s << 0.0 << 1.0;
  QTest::newRow("coefficient 1E-300, turned -45°") << u"1"_s << u"1E-300"_s << -45.0 << 1.0;
  QTest::newRow("coefficient 1E300") << u"0"_s << u"1E300"_s << 0.0 << 1.0;
  QTest::newRow("coefficient 1E300 at 1%") << u"0"_s << u"1E300"_s << 0.0 << 0.01;
  QTest::newRow("coefficient NaN text") << u"0"_s << u"NaN"_s << 0.0 << 1.0;
  QTest::newRow("reference 1E308") << u"1E308"_s << u"1"_s << 10.0 << 1.0;
  QTest::newRow("coefficient 0") << u"5"_s << u"0"_s << 3.0 << 1.0;
}

void TestTiltAndGrid::gridUnderExtremeCalibrations() {
  QFETCH(QString, reference);
  QFETCH(QString, coefficient);
  QFETCH(double, tilt);
  QFETCH(double, zoom);
  ValueSheet sheet;
  sheet.setText(Field::基準値X, u"3000"_s);
  sheet.setText(Field::基準値Y, u"4500"_s);
  sheet.setText(Field::指定基準X, reference);
  sheet.setText(Field::指定基準Y, reference);
  sheet.setText(Field::x軸係数, coefficient);
  sheet.setText(Field::Y軸係数, coefficient);
  sheet.setTilt(tilt);
  const QRectF shown(0, 0, 1279, 799);
  const grid::Plan plan = grid::plan(Conversion(sheet), shown, QPointF(-300, -200), zoom);
  // As many lines as fit 50 pixels apart over the shown part, at most.
  const double across = std::hypot(shown.width(), shown.height());
  QVERIFY2(double(plan.lines.size()) <= 2 * (across / 50 + 2),
           qPrintable(QString::number(plan.lines.size())));
  for (const grid::Line& line : plan.lines) {
    QVERIFY(std::isfinite(line.line.x1()) && std::isfinite(line.line.y2()));
    QVERIFY(shown.adjusted(-0.01, -0.01, 0.01, 0.01).contains(line.line.p1()));
  }
}

void TestTiltAndGrid::gridBelongsToTheView() {
  QImage white(600, 400, QImage::Format_RGB32);
  white.fill(Qt::white);
  window().canvas()->setPicture(white);
  window().findChild<QAction*>(u"座標格子"_s)->trigger();
  QApplication::processEvents();
  CoordinateGrid* grid = window().pictureView()->coordinateGrid();
  QVERIFY(!grid->currentPlan().lines.empty());
  // On screen in its own colour, over the white picture...
  const QImage seen = window().pictureArea()->grab().toImage();
  const QLineF line = grid->currentPlan().lines.front().line;
  const QPoint middle = line.pointAt(0.5).toPoint();
  QVERIFY2(seen.pixelColor(middle) != QColor(Qt::white),
           qPrintable(seen.pixelColor(middle).name()));
  // ...never in the picture, its drawings or undo.
  QCOMPARE(window().canvas()->surface().layer().tileCount(), 0);
  QVERIFY(!window().history().canUndo());
  // Off, it is gone; moving the view needs none of it.
  window().findChild<QAction*>(u"座標格子"_s)->trigger();
  QVERIFY(!grid->isVisible());
  QApplication::processEvents();
  QCOMPARE(window().pictureArea()->grab().toImage().pixelColor(middle), QColor(Qt::white));
}

QTEST_MAIN(TestTiltAndGrid)
#include "tst_tiltandgrid.moc"

#include "../FakePrompts.h"
#include "Calibration.h"
#include "Conversion.h"
#include "NumberText.h"
#include "Twips.h"
#include "ValueSheet.h"

#include <QLineF>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// A gesture's ends as the pointer writes them, from image pixels.
void gesture(ValueSheet& sheet, QPointF down, QPointF up) {
  sheet.setText(Field::down座標x, canvasPositionText(pixelsToTwips(down.x())));
  sheet.setText(Field::down座標y, canvasPositionText(pixelsToTwips(down.y())));
  sheet.setText(Field::up座標x, canvasPositionText(pixelsToTwips(up.x())));
  sheet.setText(Field::up座標y, canvasPositionText(pixelsToTwips(up.y())));
}

// A drawing's grid of 18 units every 120 pixels (0.01 units a twip, which
// five decimals hold exactly), scanned turned by `degrees` counterclockwise
// about (2000, 1500): where its crossing (i, j) lies, in image pixels.
constexpr double kSpacing = 120;
QPointF crossing(double degrees, int i, int j) {
  const double a = degrees * std::numbers::pi / 180;
  const double across = i * kSpacing;
  const double up = j * kSpacing;
  return {2000 + across * std::cos(a) - up * std::sin(a),
          1500 - (across * std::sin(a) + up * std::cos(a))};
}

}  // namespace

class TestTilt : public QObject {
  Q_OBJECT

 private slots:
  void angleOfADrag_data();
  void angleOfADrag();
  void correctionAsksFirst();
  void turnedGridConvertsToItsRoundValues_data();
  void turnedGridConvertsToItsRoundValues();
  void bothWaysAgree();
};

void TestTilt::angleOfADrag_data() {
  QTest::addColumn<QPointF>("from");  // image pixels
  QTest::addColumn<QPointF>("to");
  QTest::addColumn<double>("degrees");  // NaN: no angle
  const double none = std::nan("");
  const double rise = std::tan(1.5 * std::numbers::pi / 180) * 1000;
  QTest::newRow("level") << QPointF(10, 10) << QPointF(410, 10) << 0.0;
  QTest::newRow("rising 1.5°") << QPointF(0, 1000) << QPointF(1000, 1000 - rise) << 1.5;
  QTest::newRow("the same, leftwards") << QPointF(1000, 1000 - rise) << QPointF(0, 1000) << 1.5;
  QTest::newRow("falling 3°") << QPointF(0, 0)
                              << QPointF(1000, std::tan(0.05235987755982988) * 1000) << -3.0;
  QTest::newRow("upright, leaning left 1.5°")
      << QPointF(1000, 1000) << QPointF(1000 - rise, 0) << 1.5;
  QTest::newRow("upright, drawn downwards")
      << QPointF(1000 - rise, 0) << QPointF(1000, 1000) << 1.5;
  QTest::newRow("45° is still level") << QPointF(0, 100) << QPointF(100, 0) << 45.0;
  QTest::newRow("46° is upright") << QPointF(0, 0)
                                  << QPointF(100, -std::tan(0.8028514559173916) * 100) << -44.0;
  QTest::newRow("shorter than 10 pixels") << QPointF(0, 0) << QPointF(6, 7.9) << none;
  QTest::newRow("10 pixels") << QPointF(0, 0) << QPointF(6, 8) << -53.13010235415598 + 90;
  QTest::newRow("no drag yet") << QPointF(1, 1) << QPointF(1, 1) << none;
  QTest::newRow("beyond the double range") << QPointF(0, 0) << QPointF(INFINITY, 0) << none;
}

void TestTilt::angleOfADrag() {
  QFETCH(QPointF, from);
  QFETCH(QPointF, to);
  QFETCH(double, degrees);
  const std::optional<double> found = tilt::ofDrag(from * 15, to * 15);
  QCOMPARE(found.has_value(), !std::isnan(degrees));
  if (found) {
    QVERIFY2(std::abs(*found - degrees) < 1e-9, qPrintable(QString::number(*found, 'g', 17)));
  }
}

void TestTilt::correctionAsksFirst() {
  ValueSheet sheet;
  FakePrompts prompts;
  // Before any drag: told, and nothing changes.
  setTiltCorrection(sheet, prompts);
  QCOMPARE(prompts.shown.size(), 1);
  QVERIFY(prompts.shown.last().startsWith(u"message[Koordel] 傾きを測るドラッグがないか"_s));
  QCOMPARE(sheet.tilt(), 0.0);

  gesture(sheet, crossing(1.23, -5, 0), crossing(1.23, 6, 0));
  setTiltCorrection(sheet, prompts);  // the answer is no
  QCOMPARE(prompts.shown.last(), u"ask[傾き補正] 傾き 1.23° を補正しますか？"_s);
  QCOMPARE(sheet.tilt(), 0.0);
  prompts.yes = {true};
  setTiltCorrection(sheet, prompts);
  QVERIFY(std::abs(sheet.tilt() - 1.23) < 1e-4);  // as near as the texts hold the ends

  const QStringList before = prompts.shown;
  clearTiltCorrection(sheet, prompts);
  QCOMPARE(prompts.shown, before);  // undone without a word: the readout goes
  QCOMPARE(sheet.tilt(), 0.0);
  clearTiltCorrection(sheet, prompts);
  QCOMPARE(prompts.shown.last(), u"message[Koordel] 傾き補正はしていません。"_s);
}

void TestTilt::turnedGridConvertsToItsRoundValues_data() {
  QTest::addColumn<double>("degrees");
  QTest::addColumn<bool>("alongUpright");  // 傾き補正 along a vertical line
  QTest::newRow("1.5° along a level line") << 1.5 << false;
  QTest::newRow("1.5° along an upright line") << 1.5 << true;
  QTest::newRow("-3° along a level line") << -3.0 << false;
  QTest::newRow("-3° along an upright line") << -3.0 << true;
}

void TestTilt::turnedGridConvertsToItsRoundValues() {
  QFETCH(double, degrees);
  QFETCH(bool, alongUpright);
  ValueSheet sheet;
  FakePrompts prompts;
  // The user's way: the tilt first, then 係数 and 基準値 on the grid.
  if (alongUpright) {
    gesture(sheet, crossing(degrees, 0, 5), crossing(degrees, 0, -4));
  } else {
    gesture(sheet, crossing(degrees, -5, 0), crossing(degrees, 6, 0));
  }
  prompts.yes = {true};
  setTiltCorrection(sheet, prompts);
  QCOMPARE(prompts.shown.last(),
           u"ask[傾き補正] 傾き %1° を補正しますか？"_s.arg(twoDecimalText(degrees)));
  gesture(sheet, crossing(degrees, -3, -2), crossing(degrees, 4, 3));
  prompts.answers = {u"126"_s, u"90"_s};
  setCoefficients(sheet, prompts);
  QCOMPARE(sheet.text(Field::x軸係数), u"0.01000"_s);
  QCOMPARE(sheet.text(Field::Y軸係数), u"0.01000"_s);
  gesture(sheet, crossing(degrees, 0, 0), crossing(degrees, 0, 0));
  prompts.answers = {u"1000"_s, u"2000"_s};
  setReferencePoint(sheet, prompts);

  // A tenth of a pixel is 0.015 units.
  double worst = 0;
  for (int i = -5; i <= 5; ++i) {
    for (int j = -4; j <= 4; ++j) {
      const QPointF at = crossing(degrees, i, j) * 15;
      const float x = float(at.x());
      const float y = float(at.y());
      worst = std::max({worst, std::abs(*convertX(sheet, x, y) - (1000 + 18 * i)),
                        std::abs(*convertY(sheet, x, y) - (2000 + 18 * j))});
    }
  }
  QVERIFY2(worst < 0.015, qPrintable(QString::number(worst)));
  // Without the correction the far crossings are pixels off.
  const QPointF far = crossing(degrees, 5, 4) * 15;
  sheet.setTilt(0);
  QVERIFY(std::abs(*convertY(sheet, float(far.x()), float(far.y())) - 2072) > 1);
}

// The grid draws with the inverse of what the pointer reads.
void TestTilt::bothWaysAgree() {
  ValueSheet sheet;
  sheet.setText(Field::基準値X, u"3000"_s);
  sheet.setText(Field::基準値Y, u"4500"_s);
  sheet.setText(Field::指定基準X, u"-20"_s);
  sheet.setText(Field::指定基準Y, u"35.5"_s);
  sheet.setText(Field::x軸係数, u"0.02"_s);
  sheet.setText(Field::Y軸係数, u"-0.05"_s);
  for (double degrees : {0.0, 2.5, -44.0}) {
    sheet.setTilt(degrees);
    const Conversion conversion(sheet);
    for (const QPointF twips : {QPointF(0, 0), QPointF(12345, 6789), QPointF(-300, 90000)}) {
      const QPointF user = conversion.toUser(twips);
      QVERIFY(std::abs(user.x() - *convertX(sheet, float(twips.x()), float(twips.y()))) < 1e-6);
      QVERIFY(std::abs(user.y() - *convertY(sheet, float(twips.x()), float(twips.y()))) < 1e-6);
      const QPointF back = conversion.toTwips(user).value();
      QVERIFY(QLineF(back, twips).length() < 1e-6);
    }
  }
  sheet.setText(Field::x軸係数, u"0"_s);
  QVERIFY(!Conversion(sheet).toTwips({1, 1}));
}

QTEST_APPLESS_MAIN(TestTilt)
#include "tst_tilt.moc"

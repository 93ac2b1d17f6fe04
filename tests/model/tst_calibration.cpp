#include "../FakePrompts.h"
#include "Calibration.h"
#include "Conversion.h"
#include "ValueSheet.h"

#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

void gesture(ValueSheet& sheet, const QString& xd, const QString& yd, const QString& xu,
             const QString& yu) {
  sheet.setText(Field::down座標x, xd);
  sheet.setText(Field::down座標y, yd);
  sheet.setText(Field::up座標x, xu);
  sheet.setText(Field::up座標y, yu);
}

}  // namespace

class TestCalibration : public QObject {
  Q_OBJECT

 private slots:
  void referencePointAsksAndTakesTheLastRelease();
  void referencePointAnswers_data();
  void referencePointAnswers();
  void referencePointBeforeAnyGesture();
  void coefficientsFromADrag();
  void coefficientsAnswers_data();
  void coefficientsAnswers();
  void coefficientWithoutValueKeepsItsTextAndSaysWhy_data();
  void coefficientWithoutValueKeepsItsTextAndSaysWhy();
  void coefficientThatRoundsToZeroIsToldAbout_data();
  void coefficientThatRoundsToZeroIsToldAbout();
};

void TestCalibration::referencePointAsksAndTakesTheLastRelease() {
  ValueSheet sheet;
  gesture(sheet, u"10"_s, u"20"_s, u"1500"_s, u"2250"_s);
  sheet.setText(Field::変換up座標x, u"1500.00"_s);
  FakePrompts prompts;
  prompts.answers = {u"100"_s, u"200"_s};
  setReferencePoint(sheet, prompts);
  QCOMPARE(
      prompts.shown,
      (QStringList{
          u"message[Koordel] 基準とする点を入力します。最後にマウスを離した点が使用されます。"_s,
          u"input[基準値X] 基準とする点のX座標を入力してください"_s,
          u"input[基準値Y] 基準とする点のY座標を入力してください"_s}));
  QCOMPARE(sheet.text(Field::基準値X), u"1500"_s);
  QCOMPARE(sheet.text(Field::基準値Y), u"2250"_s);
  QCOMPARE(sheet.text(Field::指定基準X), u"100"_s);
  QCOMPARE(sheet.text(Field::指定基準Y), u"200"_s);
  QCOMPARE(convertXText(sheet, 1500, 2250).value(), u"100.00"_s);
  QCOMPARE(convertYText(sheet, 1500, 2250).value(), u"200.00"_s);
  // Nothing else moves: not the coefficients, not the last gesture.
  QCOMPARE(sheet.text(Field::x軸係数), u"1"_s);
  QCOMPARE(sheet.text(Field::変換up座標x), u"1500.00"_s);
}

void TestCalibration::referencePointAnswers_data() {
  QTest::addColumn<QStringList>("answers");
  QTest::addColumn<QString>("x");
  QTest::addColumn<QString>("y");
  QTest::newRow("unit and letters") << QStringList{u"12.5mm"_s, u"abc"_s} << u"12.5"_s << u"0"_s;
  QTest::newRow("both cancelled") << QStringList{} << u"0"_s << u"0"_s;
  QTest::newRow("blanks and exponent")
      << QStringList{u" -1 234"_s, u"2E3"_s} << u"-1234"_s << u"2000"_s;
  QTest::newRow("beyond the double range")
      << QStringList{u"1E400"_s, u"-1E999"_s} << u"0"_s << u"0"_s;
}

void TestCalibration::referencePointAnswers() {
  QFETCH(QStringList, answers);
  QFETCH(QString, x);
  QFETCH(QString, y);
  ValueSheet sheet;
  gesture(sheet, u"0"_s, u"0"_s, u"30"_s, u"45"_s);
  FakePrompts prompts;
  prompts.answers = answers;
  setReferencePoint(sheet, prompts);
  QCOMPARE(sheet.text(Field::指定基準X), x);
  QCOMPARE(sheet.text(Field::指定基準Y), y);
  QCOMPARE(sheet.text(Field::基準値X), u"30"_s);
}

void TestCalibration::referencePointBeforeAnyGesture() {
  ValueSheet sheet;
  FakePrompts prompts;
  prompts.answers = {u"5"_s, u"6"_s};
  setReferencePoint(sheet, prompts);
  QCOMPARE(sheet.text(Field::基準値X), u"1"_s);
  QCOMPARE(sheet.text(Field::基準値Y), u"1"_s);
}

void TestCalibration::coefficientsFromADrag() {
  ValueSheet sheet;
  gesture(sheet, u"1000"_s, u"4000"_s, u"2440"_s, u"1120"_s);
  FakePrompts prompts;
  prompts.answers = {u"100"_s, u"50"_s};
  setCoefficients(sheet, prompts);
  QCOMPARE(
      prompts.shown,
      (QStringList{u"input[X校正値] その両端のx寸法を入力してください。単位は要りません。"_s,
                   u"input[Y校正値] その両端のy寸法を入力してください。単位は要りません。"_s}));
  const std::pair<Field, const char16_t*> expected[] = {
      {Field::校正始めX, u"1000"},   {Field::校正始めY, u"4000"}, {Field::校正終わりX, u"2440"},
      {Field::校正終わりY, u"1120"}, {Field::その差X, u"1440"},   {Field::その差Y, u"2880"},
      {Field::指定校正X, u"100"},    {Field::指定校正Y, u"50"},   {Field::x軸係数, u"0.06944"},
      {Field::Y軸係数, u"0.01736"},
  };
  for (const auto& [field, text] : expected) {
    QCOMPARE(sheet.text(field), QString::fromUtf16(text));
  }
  QCOMPARE(sheet.text(Field::基準値X), u"1"_s);
}

void TestCalibration::coefficientsAnswers_data() {
  QTest::addColumn<QStringList>("drag");
  QTest::addColumn<QStringList>("answers");
  QTest::addColumn<QStringList>("expected");  // 指定校正X, 指定校正Y, x軸係数, Y軸係数
  const QStringList drag = {u"1000"_s, u"4000"_s, u"2440"_s, u"1120"_s};
  QTest::newRow("reversed drag") << QStringList{u"2440"_s, u"1120"_s, u"1000"_s, u"4000"_s}
                                 << QStringList{u"100"_s, u"50"_s}
                                 << QStringList{u"100"_s, u"50"_s, u"0.06944"_s, u"0.01736"_s};
  QTest::newRow("x cancelled, y 0") << drag << QStringList{QString(), u"0"_s}
                                    << QStringList{u"1"_s, u"1"_s, u"0.00069"_s, u"0.00035"_s};
  QTest::newRow("letters become 1") << drag << QStringList{u"abc"_s, u"mm"_s}
                                    << QStringList{u"1"_s, u"1"_s, u"0.00069"_s, u"0.00035"_s};
  QTest::newRow("negative size mirrors")
      << drag << QStringList{u"100"_s, u"-50"_s}
      << QStringList{u"100"_s, u"-50"_s, u"0.06944"_s, u"-0.01736"_s};
  QTest::newRow("1 over 150000") << QStringList{u"0"_s, u"0"_s, u"150000"_s, u"150000"_s}
                                 << QStringList{u"1"_s, u"1"_s}
                                 << QStringList{u"1"_s, u"1"_s, u"0.00001"_s, u"0.00001"_s};
  QTest::newRow("typed with units") << drag << QStringList{u"144 mm"_s, u"28.8cm"_s}
                                    << QStringList{u"144"_s, u"28.8"_s, u"0.10000"_s, u"0.01000"_s};
}

void TestCalibration::coefficientsAnswers() {
  QFETCH(QStringList, drag);
  QFETCH(QStringList, answers);
  QFETCH(QStringList, expected);
  ValueSheet sheet;
  gesture(sheet, drag.at(0), drag.at(1), drag.at(2), drag.at(3));
  FakePrompts prompts;
  prompts.answers = answers;
  setCoefficients(sheet, prompts);
  // Both sizes are asked for whatever the first answer was.
  QCOMPARE(prompts.shown.size(), 2);
  QCOMPARE(sheet.text(Field::指定校正X), expected.at(0));
  QCOMPARE(sheet.text(Field::指定校正Y), expected.at(1));
  QCOMPARE(sheet.text(Field::x軸係数), expected.at(2));
  QCOMPARE(sheet.text(Field::Y軸係数), expected.at(3));
  // Converted y grows upwards on the canvas, or downwards after a negative size.
  const bool growsDownwards = *convertY(sheet, 0, 2000) > *convertY(sheet, 0, 1000);
  QCOMPARE(growsDownwards, expected.at(1).startsWith(u'-'));
}

void TestCalibration::coefficientWithoutValueKeepsItsTextAndSaysWhy_data() {
  QTest::addColumn<QStringList>("drag");
  QTest::addColumn<QString>("x");
  QTest::addColumn<QString>("y");
  QTest::addColumn<QString>("told");
  QTest::addColumn<QStringList>("answers");
  QTest::newRow("before any gesture")
      << QStringList{u"1"_s, u"1"_s, u"1"_s, u"1"_s} << u"0.5"_s << u"0.25"_s
      << u"X・Y方向の長さが 0 のため、x軸係数と Y軸係数は"_s << QStringList{u"10"_s, u"10"_s};
  QTest::newRow("vertical drag") << QStringList{u"100"_s, u"0"_s, u"100"_s, u"200"_s} << u"0.5"_s
                                 << u"0.05000"_s << u"X方向の長さが 0 のため、x軸係数は"_s
                                 << QStringList{u"10"_s, u"10"_s};
  QTest::newRow("horizontal drag")
      << QStringList{u"0"_s, u"7"_s, u"400"_s, u"7"_s} << u"0.02500"_s << u"0.25"_s
      << u"Y方向の長さが 0 のため、Y軸係数は"_s << QStringList{u"10"_s, u"10"_s};
  // An extent that is not 0 can still give no coefficient.
  QTest::newRow("tiny extent, huge size")
      << QStringList{u"0"_s, u"0"_s, u"0.5"_s, u"100"_s} << u"0.5"_s << u"0.10000"_s
      << u"X方向の係数が数値の範囲を超えるため（オーバーフロー）、x軸係数は"_s
      << QStringList{u"1E308"_s, u"10"_s};
  QTest::newRow("one of each") << QStringList{u"0"_s, u"0"_s, u"0"_s, u"0.5"_s} << u"0.5"_s
                               << u"0.25"_s << u"X方向の長さが 0 のため"_s
                               << QStringList{u"10"_s, u"1E308"_s};
}

void TestCalibration::coefficientWithoutValueKeepsItsTextAndSaysWhy() {
  QFETCH(QStringList, drag);
  QFETCH(QString, x);
  QFETCH(QString, y);
  QFETCH(QString, told);
  QFETCH(QStringList, answers);
  ValueSheet sheet;
  sheet.setText(Field::x軸係数, u"0.5"_s);
  sheet.setText(Field::Y軸係数, u"0.25"_s);
  gesture(sheet, drag.at(0), drag.at(1), drag.at(2), drag.at(3));
  FakePrompts prompts;
  prompts.answers = answers;
  setCoefficients(sheet, prompts);
  QCOMPARE(sheet.text(Field::x軸係数), x);
  QCOMPARE(sheet.text(Field::Y軸係数), y);
  QCOMPARE(prompts.shown.size(), 3);
  QVERIFY2(prompts.shown.last().startsWith(u"message[Koordel] "_s + told),
           qPrintable(prompts.shown.last()));
  // Nothing says the extent is 0 when it is not.
  QCOMPARE(prompts.shown.last().contains(u"Y方向の長さが 0"_s),
           sheet.text(Field::その差Y) == u"0"_s);
  QCOMPARE(prompts.shown.last().contains(u"Y方向の係数が数値の範囲を超える"_s),
           answers.at(1) == u"1E308"_s);
}

void TestCalibration::coefficientThatRoundsToZeroIsToldAbout_data() {
  QTest::addColumn<QStringList>("drag");
  QTest::addColumn<QStringList>("answers");
  QTest::addColumn<QString>("x");
  QTest::addColumn<QString>("y");
  QTest::addColumn<QString>("told");  // the start of the message; "" for none
  QTest::newRow("1 over 300000 along x")
      << QStringList{u"0"_s, u"0"_s, u"300000"_s, u"1440"_s} << QStringList{u"1"_s, u"100"_s}
      << u"0.00000"_s << u"0.06944"_s
      << u"X方向の係数は小数点以下 5 桁に丸めると 0 になるため、x軸係数は 0.00000 に"_s;
  QTest::newRow("both axes, one negative")
      << QStringList{u"0"_s, u"0"_s, u"300000"_s, u"300000"_s} << QStringList{u"1"_s, u"-1"_s}
      << u"0.00000"_s << u"0.00000"_s
      << u"X・Y方向の係数は小数点以下 5 桁に丸めると 0 になるため、x軸係数と Y軸係数は"_s;
  // 1/200001 is just under 0.000005; 1/150000 (0.0000067) still keeps a digit.
  QTest::newRow("just under the last digit")
      << QStringList{u"0"_s, u"0"_s, u"150000"_s, u"200001"_s} << QStringList{u"1"_s, u"1"_s}
      << u"0.00001"_s << u"0.00000"_s << u"Y方向の係数は小数点以下 5 桁に丸めると 0"_s;
  QTest::newRow("kept a digit") << QStringList{u"0"_s, u"0"_s, u"150000"_s, u"150000"_s}
                                << QStringList{u"1"_s, u"1"_s} << u"0.00001"_s << u"0.00001"_s
                                << QString();
  QTest::newRow("with a flat axis")
      << QStringList{u"0"_s, u"0"_s, u"300000"_s, u"0"_s} << QStringList{u"1"_s, u"1"_s}
      << u"0.00000"_s << u"0.25"_s << u"Y方向の長さが 0 のため"_s;
}

// The five decimals stay, as the settings file and the value sheet hold
// them; what they cost is said.
void TestCalibration::coefficientThatRoundsToZeroIsToldAbout() {
  QFETCH(QStringList, drag);
  QFETCH(QStringList, answers);
  QFETCH(QString, x);
  QFETCH(QString, y);
  QFETCH(QString, told);
  ValueSheet sheet;
  sheet.setText(Field::x軸係数, u"0.5"_s);
  sheet.setText(Field::Y軸係数, u"0.25"_s);
  gesture(sheet, drag.at(0), drag.at(1), drag.at(2), drag.at(3));
  FakePrompts prompts;
  prompts.answers = answers;
  setCoefficients(sheet, prompts);
  QCOMPARE(sheet.text(Field::x軸係数), x);
  QCOMPARE(sheet.text(Field::Y軸係数), y);
  QCOMPARE(prompts.shown.size(), told.isEmpty() ? 2 : 3);
  if (told.isEmpty()) {
    return;
  }
  QVERIFY2(prompts.shown.last().startsWith(u"message[Koordel] "_s + told),
           qPrintable(prompts.shown.last()));
  // An axis is named only when its own coefficient became 0.
  QCOMPARE(prompts.shown.last().contains(u"x軸係数は 0.00000"_s) ||
               prompts.shown.last().contains(u"x軸係数と Y軸係数は 0.00000"_s),
           x == u"0.00000"_s);
  QCOMPARE(prompts.shown.last().contains(u"Y軸係数は 0.00000"_s), y == u"0.00000"_s);
}

QTEST_APPLESS_MAIN(TestCalibration)
#include "tst_calibration.moc"

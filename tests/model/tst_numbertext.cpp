#include "NumberText.h"

#include <QCoreApplication>
#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestNumberText : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void canvasPosition_data();
  void canvasPosition();
  void plainNumber_data();
  void plainNumber();
  void fixed_data();
  void fixed();
  void roundToHundredths_data();
  void roundToHundredths();
  void lenient_data();
  void lenient();
  void strict_data();
  void strict();
  void formsReadBackByLenientParse_data();
  void formsReadBackByLenientParse();
};

void TestNumberText::initTestCase() {
  // Take the environment's locale the way a Qt program does, so that a run
  // under a comma-decimal locale proves the forms ignore it.
  std::setlocale(LC_ALL, "");
}

void TestNumberText::canvasPosition_data() {
  QTest::addColumn<float>("twips");
  QTest::addColumn<QString>("text");
  QTest::newRow("whole") << 4815.0f << u"4815"_s;
  QTest::newRow("negative") << -15.0f << u"-15"_s;
  QTest::newRow("half") << 1234.5f << u"1234.5"_s;
  QTest::newRow("zero") << 0.0f << u"0"_s;
  QTest::newRow("negative zero") << -0.0f << u"0"_s;
  QTest::newRow("single precision 0.1") << 0.1f << u"0.1"_s;
  QTest::newRow("7 digits kept") << 1234567.0f << u"1234567"_s;
  QTest::newRow("8th digit rounded") << 12345.678f << u"12345.68"_s;
  QTest::newRow("beyond 7 digits") << 12345678.0f << u"1.234568E+07"_s;
  QTest::newRow("small") << 0.00001f << u"0.00001"_s;
  QTest::newRow("below 7 decimals") << 1.5e-8f << u"1.5E-08"_s;
  QTest::newRow("a big scan's far corner") << 280860.0f << u"280860"_s;
}

void TestNumberText::canvasPosition() {
  QFETCH(float, twips);
  QFETCH(QString, text);
  QCOMPARE(canvasPositionText(twips), text);
}

void TestNumberText::plainNumber_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<QString>("text");
  QTest::newRow("12.5") << 12.5 << u"12.5"_s;
  QTest::newRow("0") << 0.0 << u"0"_s;
  QTest::newRow("1440") << 1440.0 << u"1440"_s;
  QTest::newRow("negative") << -2.5 << u"-2.5"_s;
  QTest::newRow("negative zero") << -0.0 << u"0"_s;
  QTest::newRow("binary noise hidden") << 0.1 + 0.2 << u"0.3"_s;
  QTest::newRow("15 digits") << 1.0 / 3.0 << u"0.333333333333333"_s;
  QTest::newRow("100/1440") << 100.0 / 1440.0 << u"0.0694444444444444"_s;
  QTest::newRow("15 whole digits") << 123456789012345.0 << u"123456789012345"_s;
  QTest::newRow("16 whole digits") << 1234567890123456.0 << u"1.23456789012346E+15"_s;
  QTest::newRow("small") << 0.00001 << u"0.00001"_s;
  QTest::newRow("small, three digits") << 0.000000123 << u"0.000000123"_s;
  QTest::newRow("small negative") << -0.000012345 << u"-0.000012345"_s;
  QTest::newRow("rounds up to a new digit") << 0.00000999999999999999999 << u"0.00001"_s;
  QTest::newRow("15 decimals") << 1e-15 << u"0.000000000000001"_s;
  QTest::newRow("below 15 decimals") << 1.5e-16 << u"1.5E-16"_s;
  // Found by fuzzing: 15 digits of the largest double read back as infinity.
  QTest::newRow("largest double") << -std::numeric_limits<double>::max()
                                  << u"-1.7976931348623157E+308"_s;
}

void TestNumberText::plainNumber() {
  QFETCH(double, value);
  QFETCH(QString, text);
  QCOMPARE(plainNumberText(value), text);
}

void TestNumberText::fixed_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<int>("decimals");
  QTest::addColumn<QString>("text");
  QTest::newRow("1500") << 1500.0 << 2 << u"1500.00"_s;
  QTest::newRow("0.5") << 0.5 << 2 << u"0.50"_s;
  QTest::newRow("-2248") << -2248.0 << 2 << u"-2248.00"_s;
  QTest::newRow("0.0064 up") << 0.0064 << 2 << u"0.01"_s;
  QTest::newRow("0.0049 down") << 0.0049 << 2 << u"0.00"_s;
  QTest::newRow("negative rounding to zero") << -0.004 << 2 << u"0.00"_s;
  QTest::newRow("no grouping") << 1234567.891 << 2 << u"1234567.89"_s;
  QTest::newRow("100/1440") << 100.0 / 1440.0 << 5 << u"0.06944"_s;
  QTest::newRow("25") << 25.0 << 5 << u"25.00000"_s;
  QTest::newRow("1/150000") << 1.0 / 150000.0 << 5 << u"0.00001"_s;
  QTest::newRow("huge stays plain") << 1e20 << 2 << u"100000000000000000000.00"_s;
}

void TestNumberText::fixed() {
  QFETCH(double, value);
  QFETCH(int, decimals);
  QFETCH(QString, text);
  QCOMPARE(fixedText(value, decimals), text);
}

void TestNumberText::roundToHundredths_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<double>("rounded");
  QTest::newRow("1440 twips at 0.06944") << 1440 * 0.06944 << 99.99;
  QTest::newRow("whole") << 50.0 << 50.0;
  QTest::newRow("third") << 1.0 / 3.0 << 0.33;
  QTest::newRow("diagonal of 15 by 15") << std::hypot(15.0, 15.0) << 21.21;
  QTest::newRow("zero") << 0.0 << 0.0;
}

void TestNumberText::roundToHundredths() {
  QFETCH(double, value);
  QFETCH(double, rounded);
  QCOMPARE(koordel::roundToHundredths(value), rounded);
}

void TestNumberText::lenient_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("value");
  QTest::newRow("empty") << QString() << 0.0;
  QTest::newRow("letters") << u"abc"_s << 0.0;
  QTest::newRow("unit after number") << u"12.5mm"_s << 12.5;
  QTest::newRow("comma stops") << u"1,500"_s << 1.0;
  QTest::newRow("inner blank removed") << u"1 500"_s << 1500.0;
  QTest::newRow("blank before and inside") << u" -3 0"_s << -30.0;
  QTest::newRow("tab and line feed removed") << u"\t1\n2"_s << 12.0;
  QTest::newRow("leading point") << u"-.5"_s << -0.5;
  QTest::newRow("plus sign") << u"+7"_s << 7.0;
  QTest::newRow("exponent E") << u"2E3"_s << 2000.0;
  QTest::newRow("exponent e") << u"2e3"_s << 2000.0;
  QTest::newRow("exponent D") << u"2D3"_s << 2000.0;
  QTest::newRow("exponent d negative") << u"1.5d-2"_s << 0.015;
  QTest::newRow("exponent without digits") << u"1E"_s << 1.0;
  QTest::newRow("exponent sign without digits") << u"1E+x"_s << 1.0;
  QTest::newRow("second point stops") << u"1.2.3"_s << 1.2;
  QTest::newRow("point alone") << u"."_s << 0.0;
  QTest::newRow("sign alone") << u"-"_s << 0.0;
  QTest::newRow("trailing point") << u"12."_s << 12.0;
  QTest::newRow("hex") << u"&HFF"_s << 255.0;
  QTest::newRow("hex lower case, stops at misfit") << u"&h1fz"_s << 31.0;
  QTest::newRow("octal") << u"&O17"_s << 15.0;
  QTest::newRow("octal stops at 8") << u"&O178"_s << 15.0;
  QTest::newRow("ampersand alone") << u"&H"_s << 0.0;
  QTest::newRow("ampersand other") << u"&X1"_s << 0.0;
  QTest::newRow("full-width digits are not digits") << u"１２"_s << 0.0;
  QTest::newRow("coefficient") << u"0.06944"_s << 0.06944;
  QTest::newRow("underflow") << u"1E-400"_s << 0.0;
  QTest::newRow("NaN-like text") << u"NaN"_s << 0.0;
  QTest::newRow("infinity spelled out") << u"-inf"_s << 0.0;
}

void TestNumberText::lenient() {
  QFETCH(QString, text);
  QFETCH(double, value);
  QCOMPARE(lenientParse(text), value);
}

void TestNumberText::strict_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("isNumber");
  QTest::addColumn<double>("value");
  QTest::newRow("plain") << u"12.5"_s << true << 12.5;
  QTest::newRow("surrounding blanks") << u" \t-3 "_s << true << -3.0;
  QTest::newRow("leading point") << u"-.5"_s << true << -0.5;
  QTest::newRow("exponent") << u"2E3"_s << true << 2000.0;
  QTest::newRow("exponent D") << u"1D-2"_s << true << 0.01;
  QTest::newRow("hex") << u"&HFF"_s << true << 255.0;
  QTest::newRow("largest finite") << u"1.7976931348623157E308"_s << true
                                  << std::numeric_limits<double>::max();
  QTest::newRow("empty") << QString() << false << 0.0;
  QTest::newRow("blanks only") << u"   "_s << false << 0.0;
  QTest::newRow("letters") << u"abc"_s << false << 0.0;
  QTest::newRow("unit after number") << u"12.5mm"_s << false << 0.0;
  QTest::newRow("thousands comma") << u"1,500"_s << false << 0.0;
  QTest::newRow("inner blank") << u"1 500"_s << false << 0.0;
  QTest::newRow("sign alone") << u"+"_s << false << 0.0;
  QTest::newRow("exponent without digits") << u"1E"_s << false << 0.0;
  QTest::newRow("beyond double range") << u"1E400"_s << false << 0.0;
  QTest::newRow("400 digits") << QString(400, u'9') << false << 0.0;
  QTest::newRow("NaN-like text") << u"nan"_s << false << 0.0;
  QTest::newRow("infinity spelled out") << u"Infinity"_s << false << 0.0;
}

void TestNumberText::strict() {
  QFETCH(QString, text);
  QFETCH(bool, isNumber);
  QFETCH(double, value);
  const std::optional<double> parsed = strictParse(text);
  QCOMPARE(parsed.has_value(), isNumber);
  if (isNumber) {
    QCOMPARE(*parsed, value);
  }
}

// Every form the program writes must read back, through the parse its
// readers use, as the value the form stands for.
void TestNumberText::formsReadBackByLenientParse_data() {
  QTest::addColumn<double>("value");
  for (double v : {0.0, 1.0, -1.0, 12.5, 1440.0, -2248.0, 0.06944, 1e-7, 123456.789, 1e300,
                   -4.9e-324, 1.0 / 3.0}) {
    QTest::addRow("%g", v) << v;
  }
}

void TestNumberText::formsReadBackByLenientParse() {
  QFETCH(double, value);
  const double plain = lenientParse(plainNumberText(value));
  QVERIFY(std::abs(plain - value) <= std::abs(value) * 1e-14);
  QCOMPARE(strictParse(plainNumberText(value)).value_or(-1), plain);
  QVERIFY(std::abs(lenientParse(fixedText(value, 2)) - value) <= 0.005 + std::abs(value) * 1e-15);
  const float f = static_cast<float>(value);
  if (std::isfinite(f)) {
    QVERIFY(std::abs(lenientParse(canvasPositionText(f)) - f) <= std::abs(f) * 1e-6);
  }
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"

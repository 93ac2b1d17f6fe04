#include "Conversion.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <QSignalSpy>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestValueSheet : public QObject {
  Q_OBJECT

 private slots:
  void initialContents();
  void namesFollowTheWindowRows();
  void onlyTheUserFieldsAreEditable();
  void setTextStoresAnyTextAndAnnouncesChanges();
  void conversion_data();
  void conversion();
  void conversionReadsTheCurrentText();
  void overflowGivesNoValue_data();
  void overflowGivesNoValue();
  void menuIndexes();
};

void TestValueSheet::initialContents() {
  ValueSheet sheet;
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    const bool unit = f == Field::x軸単位 || f == Field::Y軸単位;
    QCOMPARE(sheet.text(f), unit ? QString() : u"1"_s);
  }
}

void TestValueSheet::namesFollowTheWindowRows() {
  QCOMPARE(fieldName(Field::down座標x), u"down座標x"_s);
  QCOMPARE(fieldName(Field::x軸係数), u"x軸係数"_s);
  QCOMPARE(fieldName(Field::Y軸係数), u"Y軸係数"_s);
  QCOMPARE(fieldName(Field::Y軸単位), u"Y軸単位"_s);
  QCOMPARE(fieldAt(0, Axis::Y), Field::down座標y);
  QCOMPARE(fieldAt(10, Axis::X), Field::x軸係数);
  QCOMPARE(rowOf(Field::変換up座標y), 3);
  // Every name is distinct and the X and Y columns pair up row by row.
  QSet<QString> names;
  for (int row = 0; row < kRowCount; ++row) {
    const QString x = fieldName(fieldAt(row, Axis::X));
    const QString y = fieldName(fieldAt(row, Axis::Y));
    QCOMPARE(x.chopped(1), y.chopped(1).replace(u"Y軸"_s, u"x軸"_s));
    names << x << y;
  }
  QCOMPARE(names.size(), kFieldCount);
}

void TestValueSheet::onlyTheUserFieldsAreEditable() {
  QList<Field> editable;
  for (int i = 0; i < kFieldCount; ++i) {
    if (isEditable(static_cast<Field>(i))) {
      editable << static_cast<Field>(i);
    }
  }
  const QList<Field> expected = {Field::指定基準X, Field::指定校正X, Field::x軸係数,
                                 Field::x軸単位,   Field::指定基準Y, Field::指定校正Y,
                                 Field::Y軸係数,   Field::Y軸単位};
  QCOMPARE(editable, expected);
}

void TestValueSheet::setTextStoresAnyTextAndAnnouncesChanges() {
  ValueSheet sheet;
  QSignalSpy spy(&sheet, &ValueSheet::changed);
  sheet.setText(Field::x軸係数, u"0.5mm"_s);
  sheet.setText(Field::x軸係数, u"0.5mm"_s);  // unchanged: no announcement
  sheet.setText(Field::指定基準Y, u"<b>not markup</b>"_s);
  QCOMPARE(sheet.text(Field::x軸係数), u"0.5mm"_s);
  QCOMPARE(sheet.number(Field::x軸係数), 0.5);
  QCOMPARE(sheet.text(Field::指定基準Y), u"<b>not markup</b>"_s);
  QCOMPARE(spy.count(), 2);
  QCOMPARE(spy.at(0).at(0).value<Field>(), Field::x軸係数);
}

void TestValueSheet::conversion_data() {
  QTest::addColumn<QStringList>("calibration");  // 基準値 X Y, 指定基準 X Y, 係数 X Y
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("y");
  QTest::addColumn<QString>("convertedX");
  QTest::addColumn<QString>("convertedY");
  const QStringList initial = {u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s};
  const QStringList calibrated = {u"1500"_s, u"2250"_s,    u"100"_s,
                                  u"200"_s,  u"0.06944"_s, u"0.01736"_s};
  QTest::newRow("initial is not the identity")
      << initial << 1500.0f << 2250.0f << u"1500.00"_s << u"-2248.00"_s;
  QTest::newRow("initial press") << initial << 300.0f << 450.0f << u"300.00"_s << u"-448.00"_s;
  QTest::newRow("calibrated") << calibrated << 2940.0f << 1530.0f << u"199.99"_s << u"212.50"_s;
  QTest::newRow("calibrated near origin")
      << calibrated << 60.0f << 8250.0f << u"0.01"_s << u"95.84"_s;
  QTest::newRow("the reference point")
      << calibrated << 1500.0f << 2250.0f << u"100.00"_s << u"200.00"_s;
  QTest::newRow("left of the canvas") << initial << -15.0f << 0.0f << u"-15.00"_s << u"2.00"_s;
  QTest::newRow("lenient coefficient")
      << QStringList{u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0.5mm"_s, u""_s} << 100.0f << 100.0f
      << u"50.00"_s << u"0.00"_s;
  QTest::newRow("blanks in the reference")
      << QStringList{u"0"_s, u"0"_s, u"abc"_s, u"-3 0"_s, u"1"_s, u"1"_s} << 10.0f << 10.0f
      << u"10.00"_s << u"-40.00"_s;
  QTest::newRow("pointer rounded like its text")
      << QStringList{u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"1"_s, u"1"_s} << 12345.678f << 0.0f
      << u"12345.68"_s << u"0.00"_s;
}

void TestValueSheet::conversion() {
  QFETCH(QStringList, calibration);
  QFETCH(float, x);
  QFETCH(float, y);
  QFETCH(QString, convertedX);
  QFETCH(QString, convertedY);
  ValueSheet sheet;
  const Field fields[] = {Field::基準値X,   Field::基準値Y, Field::指定基準X,
                          Field::指定基準Y, Field::x軸係数, Field::Y軸係数};
  for (int i = 0; i < 6; ++i) {
    sheet.setText(fields[i], calibration.at(i));
  }
  QCOMPARE(convertXText(sheet, x, y).value_or(u"overflow"_s), convertedX);
  QCOMPARE(convertYText(sheet, x, y).value_or(u"overflow"_s), convertedY);
  // A tilt corrected and then undone leaves no trace.
  sheet.setTilt(1.5);
  sheet.setTilt(0);
  QCOMPARE(convertXText(sheet, x, y).value_or(u"overflow"_s), convertedX);
  QCOMPARE(convertYText(sheet, x, y).value_or(u"overflow"_s), convertedY);
}

void TestValueSheet::conversionReadsTheCurrentText() {
  ValueSheet sheet;
  sheet.setText(Field::基準値X, u"100"_s);
  sheet.setText(Field::指定基準X, u"0"_s);
  QCOMPARE(*convertX(sheet, 150, 0), 50.0);
  sheet.setText(Field::x軸係数, u"2"_s);
  QCOMPARE(*convertX(sheet, 150, 0), 100.0);
  sheet.setText(Field::x軸係数, QString());
  QCOMPARE(*convertX(sheet, 150, 0), 0.0);
  // Units never enter the conversion.
  sheet.setText(Field::x軸単位, u"123"_s);
  QCOMPARE(*convertX(sheet, 150, 0), 0.0);
}

void TestValueSheet::overflowGivesNoValue_data() {
  QTest::addColumn<Field>("field");
  QTest::addColumn<QString>("text");
  QTest::newRow("coefficient 1E308") << Field::x軸係数 << u"1E308"_s;
  QTest::newRow("coefficient -1E308") << Field::x軸係数 << u"-1E308"_s;
  QTest::newRow("reference beyond range") << Field::指定基準X << u"1E400"_s;
  QTest::newRow("400 digits") << Field::基準値X << QString(400, u'9');
}

void TestValueSheet::overflowGivesNoValue() {
  QFETCH(Field, field);
  QFETCH(QString, text);
  ValueSheet sheet;
  sheet.setText(field, text);
  QVERIFY(!convertX(sheet, 5000, 0).has_value());
  QVERIFY(!convertXText(sheet, 5000, 0).has_value());
  // The other axis is untouched by an x-axis calibration.
  QCOMPARE(convertYText(sheet, 0, 1).value_or(QString()), u"1.00"_s);
}

void TestValueSheet::menuIndexes() {
  QCOMPARE(shapeForMenuIndex(0).value(), QString());
  QCOMPARE(shapeForMenuIndex(4).value(), u"四角"_s);
  QVERIFY(!shapeForMenuIndex(5));
  QCOMPARE(destinationForMenuIndex(2).value(), u"ファイル"_s);
  QCOMPARE(destinationForMenuIndex(3).value(), u"エクセル"_s);
  QVERIFY(!destinationForMenuIndex(4));
  QVERIFY(!destinationForMenuIndex(-1));
}

QTEST_APPLESS_MAIN(TestValueSheet)
#include "tst_valuesheet.moc"

#include "Record.h"

#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

// How each field of a record reaches a spreadsheet cell; the text forms of
// whole records are checked with the tools that make them.
class TestRecord : public QObject {
  Q_OBJECT

 private slots:
  void numbersKeepTheirValueAndPlainText();
  void numberTextsKeepTheirTextAndDecimals_data();
  void numberTextsKeepTheirTextAndDecimals();
};

void TestRecord::numbersKeepTheirValueAndPlainText() {
  Record line(u"線"_s, u"12"_s);
  line.addNumber(50).addNumber(7.5).addNumber(0.33);
  QCOMPARE(line.textForm(), u"線,12,50,7.5,0.33"_s);
  const auto& f = line.fields();
  QVERIFY(!f.at(1).number.has_value());  // a comment is text, however it looks
  QCOMPARE(f.at(2).number.value(), 50.0);
  QCOMPARE(f.at(4).number.value(), 0.33);
  QCOMPARE(f.at(4).decimals, -1);
}

void TestRecord::numberTextsKeepTheirTextAndDecimals_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("isNumber");
  QTest::addColumn<double>("value");
  QTest::addColumn<int>("decimals");
  QTest::newRow("two decimals") << u"199.99"_s << true << 199.99 << 2;
  QTest::newRow("negative") << u"-2248.00"_s << true << -2248.0 << 2;
  QTest::newRow("loaded as plain text") << u"100"_s << true << 100.0 << 0;
  QTest::newRow("exponent") << u"1E+15"_s << true << 1e15 << -1;
  QTest::newRow("hand-edited text") << u"abc"_s << false << 0.0 << -1;
  QTest::newRow("formula-like") << u"=1+1"_s << false << 0.0 << -1;
}

void TestRecord::numberTextsKeepTheirTextAndDecimals() {
  QFETCH(QString, text);
  QFETCH(bool, isNumber);
  QFETCH(double, value);
  QFETCH(int, decimals);
  const RecordField f = RecordField::ofNumberText(text);
  QCOMPARE(f.text, text);
  QCOMPARE(f.number.has_value(), isNumber);
  QCOMPARE(f.number.value_or(0), value);
  QCOMPARE(f.decimals, decimals);
}

QTEST_APPLESS_MAIN(TestRecord)
#include "tst_record.moc"

#include "Record.h"

#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestRecord : public QObject {
  Q_OBJECT

 private slots:
  void textFormJoinsWithoutQuotingOrLineEnd();
  void numbersKeepTheirValueAndPlainText();
};

void TestRecord::textFormJoinsWithoutQuotingOrLineEnd() {
  Record point(u"点"_s, u"P1"_s);
  point.addText(u"199.99"_s).addText(u"212.50"_s);
  QCOMPARE(point.textForm(), u"点,P1,199.99,212.50"_s);

  Record empty(u"点"_s, QString());
  empty.addText(u"1500.00"_s).addText(u"-2248.00"_s);
  QCOMPARE(empty.textForm(), u"点,,1500.00,-2248.00"_s);

  // A comma in the comment is written as typed and shifts the fields: the
  // record format has no quoting.
  Record comma(u"点"_s, u"A,B"_s);
  comma.addText(u"1500.00"_s).addText(u"-2248.00"_s);
  QCOMPARE(comma.textForm(), u"点,A,B,1500.00,-2248.00"_s);
}

void TestRecord::numbersKeepTheirValueAndPlainText() {
  Record line(u"線"_s, u"A-1"_s);
  line.addText(u"10.00"_s).addNumber(50).addNumber(7.5).addNumber(0.33);
  QCOMPARE(line.textForm(), u"線,A-1,10.00,50,7.5,0.33"_s);
  const auto& f = line.fields();
  QCOMPARE(f.size(), 6);
  QVERIFY(!f.at(0).number.has_value());
  QVERIFY(!f.at(2).number.has_value());
  QCOMPARE(f.at(3).number.value(), 50.0);
  QCOMPARE(f.at(5).number.value(), 0.33);
}

QTEST_APPLESS_MAIN(TestRecord)
#include "tst_record.moc"

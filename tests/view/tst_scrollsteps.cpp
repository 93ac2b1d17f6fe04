#include "ScrollSteps.h"

#include <QTest>

using namespace koordel;

class TestScrollSteps : public QObject {
  Q_OBJECT

 private slots:
  void steps_data();
  void steps();
};

void TestScrollSteps::steps_data() {
  QTest::addColumn<qlonglong>("canvas");
  QTest::addColumn<int>("bar");
  QTest::addColumn<int>("maximum");
  QTest::addColumn<int>("large");
  QTest::addColumn<int>("small");
  // Previous steps are 7 and 3 in every row.
  QTest::newRow("7605 past the bar") << 14895LL + 7605 << 14895 << 7605 << 76 << 1;
  QTest::newRow("250: half to even, small raised from 0")
      << 14895LL + 250 << 14895 << 250 << 2 << 1;
  QTest::newRow("350: half to even upwards") << 14895LL + 350 << 14895 << 350 << 4 << 1;
  QTest::newRow("narrower than the bar keeps the steps") << 9000LL << 14895 << -5895 << 7 << 3;
  QTest::newRow("exactly the bar") << 14895LL << 14895 << 0 << 7 << 3;
  QTest::newRow("A0 scan at 400 dpi, across") << 13244LL * 15 << 14895 << 183765 << 1838 << 18;
  QTest::newRow("A0 scan at 400 dpi, down") << 18724LL * 15 << 9135 << 271725 << 2717 << 27;
  QTest::newRow("step beyond 16 bits is capped") << 5000000LL << 0 << 5000000 << 32767 << 328;
}

void TestScrollSteps::steps() {
  QFETCH(qlonglong, canvas);
  QFETCH(int, bar);
  QFETCH(int, maximum);
  QFETCH(int, large);
  QFETCH(int, small);
  const ScrollSteps s = scrollSteps(canvas, bar, 7, 3);
  QCOMPARE(s.maximum, maximum);
  QCOMPARE(s.largeStep, large);
  QCOMPARE(s.smallStep, small);
}

QTEST_APPLESS_MAIN(TestScrollSteps)
#include "tst_scrollsteps.moc"

#include "Crossing.h"
#include "Measures.h"

#include <QTest>

#include <cmath>
#include <numbers>
#include <vector>

using namespace koordel;
using Path = std::vector<QPointF>;
Q_DECLARE_METATYPE(Path)

namespace {

// A regular polygon about (cx, cy), in twips, `turns` times round.
Path regular(int n, double radius, double cx = 50000, double cy = 50000, int turns = 1) {
  Path path;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * turns * i / n;
    path.emplace_back(cx + radius * std::cos(a), cy + radius * std::sin(a));
  }
  return path;
}

Path reversed(Path path) {
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace

class TestMeasures : public QObject {
  Q_OBJECT

 private slots:
  void lengthsAndAreas_data();
  void lengthsAndAreas();
  void angles_data();
  void angles();
  void crossings_data();
  void crossings();
};

void TestMeasures::lengthsAndAreas_data() {
  QTest::addColumn<Path>("path");
  QTest::addColumn<double>("kx");
  QTest::addColumn<double>("ky");
  QTest::addColumn<double>("length");
  QTest::addColumn<double>("around");
  QTest::addColumn<double>("area");
  // Hundredths per twip: legs 3 and 4, hypotenuse 5.
  const Path triangle{{0, 10000}, {300, 10000}, {0, 9600}};
  QTest::newRow("3-4-5") << triangle << 0.01 << 0.01 << 8.0 << 12.0 << 6.0;
  QTest::newRow("3-4-5 the other way round")
      << reversed(triangle) << 0.01 << 0.01 << 8.0 << 12.0 << 6.0;
  QTest::newRow("negative coefficients") << triangle << -0.01 << -0.01 << 8.0 << 12.0 << 6.0;
  // 10 x 10 pixels (150 twips a side) at 0.5 across and 2 down.
  const Path square{{0, 0}, {150, 0}, {150, 150}, {0, 150}};
  QTest::newRow("square, two coefficients") << square << 0.5 << 2.0 << 450.0 << 750.0 << 22500.0;
  QTest::newRow("square clockwise") << reversed(square) << 0.5 << 2.0 << 450.0 << 750.0 << 22500.0;
  // Far from the corner the area keeps its digits.
  const Path far{{1e8, 1e8}, {1e8 + 1, 1e8}, {1e8 + 1, 1e8 + 1}, {1e8, 1e8 + 1}};
  QTest::newRow("far from the corner") << far << 1.0 << 1.0 << 3.0 << 4.0 << 1.0;
  QTest::newRow("coefficient 0") << square << 0.0 << 2.0 << 300.0 << 600.0 << 0.0;
  QTest::newRow("one vertex") << Path{{5, 5}} << 1.0 << 1.0 << 0.0 << 0.0 << 0.0;
  // 1000 edges of 3-4-5 steps: the sum of its parts.
  Path zigzag;
  for (int i = 0; i <= 1000; ++i) {
    zigzag.emplace_back(300.0 * i, i % 2 ? 400.0 : 0.0);
  }
  QTest::newRow("long polyline") << zigzag << 0.01 << 0.01 << 5000.0 << 8000.0
                                 << 500 * (6.0 * 4 / 2);
}

void TestMeasures::lengthsAndAreas() {
  QFETCH(Path, path);
  QFETCH(double, kx);
  QFETCH(double, ky);
  QFETCH(double, length);
  QFETCH(double, around);
  QFETCH(double, area);
  QVERIFY(std::abs(pathLength(path, kx, ky) - length) < 1e-9 * std::max(1.0, length));
  QVERIFY(std::abs(perimeter(path, kx, ky) - around) < 1e-9 * std::max(1.0, around));
  QVERIFY(std::abs(enclosedArea(path, kx, ky) - area) < 1e-9 * std::max(1.0, area));
}

void TestMeasures::angles_data() {
  QTest::addColumn<QPointF>("end");
  QTest::addColumn<QPointF>("vertex");
  QTest::addColumn<QPointF>("otherEnd");
  QTest::addColumn<double>("ky");
  QTest::addColumn<double>("degrees");  // negative: no angle
  const QPointF a(0, 10000), b(300, 10000), c(0, 9600);
  QTest::newRow("right angle") << b << a << c << 1.0 << 90.0;
  QTest::newRow("53.13") << a << b << c << 1.0 << 53.13010235;
  QTest::newRow("36.87") << a << c << b << 1.0 << 36.86989765;
  QTest::newRow("straight") << QPointF(0, 0) << QPointF(10, 0) << QPointF(20, 0) << 1.0 << 180.0;
  QTest::newRow("folded") << QPointF(0, 0) << QPointF(10, 0) << QPointF(0, 0) << 1.0 << 0.0;
  // In the drawing, not in the picture: y counts twice.
  QTest::newRow("y doubled") << QPointF(10, 0) << QPointF(0, 0) << QPointF(10, 10) << 2.0
                             << 63.43494882;
  QTest::newRow("y flipped") << QPointF(10, 0) << QPointF(0, 0) << QPointF(10, 10) << -1.0 << 45.0;
  QTest::newRow("arm flattened") << QPointF(0, 10) << QPointF(0, 0) << QPointF(10, 0) << 0.0
                                 << -1.0;
}

void TestMeasures::angles() {
  QFETCH(QPointF, end);
  QFETCH(QPointF, vertex);
  QFETCH(QPointF, otherEnd);
  QFETCH(double, ky);
  QFETCH(double, degrees);
  const std::optional<double> angle = angleDegrees(end, vertex, otherEnd, 1.0, ky);
  QCOMPARE(angle.has_value(), degrees >= 0);
  if (angle) {
    QVERIFY2(std::abs(*angle - degrees) < 1e-6, qPrintable(QString::number(*angle, 'g', 12)));
  }
}

void TestMeasures::crossings_data() {
  QTest::addColumn<Path>("path");
  QTest::addColumn<bool>("crosses");
  QTest::newRow("triangle") << Path{{0, 0}, {10, 0}, {0, 10}} << false;
  QTest::newRow("bow tie") << Path{{0, 0}, {10, 10}, {10, 0}, {0, 10}} << true;
  QTest::newRow("concave") << Path{{0, 0}, {10, 0}, {5, 2}, {10, 10}, {0, 10}} << false;
  QTest::newRow("touching at a vertex")
      << Path{{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}, {5, 5}} << true;
  QTest::newRow("vertex on an edge") << Path{{0, 0}, {10, 0}, {10, 10}, {5, 0}, {0, 10}} << true;
  QTest::newRow("folding back") << Path{{0, 0}, {10, 0}, {5, 0}, {5, 10}} << true;
  QTest::newRow("all in a line") << Path{{0, 0}, {5, 0}, {10, 0}} << true;
  QTest::newRow("100,000 vertices") << regular(100'000, 20000) << false;
  QTest::newRow("100,000 vertices, twice round") << regular(100'000, 20000, 5e4, 5e4, 2) << true;
  Path swapped = regular(100'000, 20000);
  std::swap(swapped[500], swapped[501]);
  QTest::newRow("100,000 vertices, two swapped") << swapped << true;
  // Edges ending on the grid's cell borders are still compared.
  Path comb;
  for (int i = 0; i < 200; ++i) {
    comb.emplace_back(i * 10, 0);
    comb.emplace_back(i * 10 + 5, 100);
  }
  comb.emplace_back(1995, -50);
  comb.emplace_back(0, -50);
  QTest::newRow("comb") << comb << false;
  comb.emplace_back(0, 100);
  QTest::newRow("comb closed across its teeth") << comb << true;
  // Nowhere to put it, and no area: told, not searched for ever.
  QTest::newRow("infinite") << Path{{0, 0}, {qInf(), 0}, {0, 10}} << true;
  QTest::newRow("not a number") << Path{{0, 0}, {qQNaN(), 0}, {0, 10}} << true;
}

void TestMeasures::crossings() {
  QFETCH(Path, path);
  QFETCH(bool, crosses);
  QCOMPARE(crossesItself(path), crosses);
}

QTEST_APPLESS_MAIN(TestMeasures)
#include "tst_measures.moc"

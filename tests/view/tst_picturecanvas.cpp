#include "PictureCanvas.h"
#include "Pyramid.h"
#include "Zoom.h"

#include <QPainter>
#include <QTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

using namespace koordel;

namespace {

constexpr double kTw = 15;  // twips per pixel

QPointF px(double x, double y) {
  return {x * kTw, y * kTw};
}

bool isWhite(QRgb c) {
  return (c & 0xffffff) == 0xffffff;
}

// Every non-white pixel of `image` inside `area`.
QList<QPoint> drawn(const QImage& image) {
  QList<QPoint> points;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!isWhite(image.pixel(x, y))) {
        points << QPoint(x, y);
      }
    }
  }
  return points;
}

QImage testPicture(QImage::Format format) {
  QImage rgb(700, 600, QImage::Format_RGB32);
  rgb.fill(Qt::white);
  QPainter p(&rgb);
  p.fillRect(100, 100, 300, 40, Qt::black);
  p.fillRect(500, 0, 60, 600, Qt::darkGray);
  p.end();
  return rgb.convertToFormat(format);
}

// The same shapes, drawn through the canvas and, as an independent reference,
// with a plain QPainter on an RGB copy of the picture.
struct Shape {
  int width, style, fill;
  std::function<void(PictureCanvas&)> onCanvas;
  std::function<void(QPainter&)> onPainter;
};

}  // namespace

class TestPictureCanvas : public QObject {
  Q_OBJECT

 private slots:
  void defaultStyleIsAThinUnfilledOutline();
  void longOutlinesDrawnTileByTileAsWhole_data();
  void longOutlinesDrawnTileByTileAsWhole();
  void outlineBeyondThePictureKeepsNoTilesThere();
  void boxIsTheSameWhicheverWayTheDragWent();
  void noOutlineWithSolidFill();
  void filledBoxCoversTheSamePixelsWithoutOutline_data();
  void filledBoxCoversTheSamePixelsWithoutOutline();
  void insideOutlineStaysInsideTheBox();
  void insideOutlineStaysInsideTheCircle();
  void fillPatternDirections_data();
  void fillPatternDirections();
  void patternGapsLeaveThePicture();
  void lineLeavesTheFillStateAlone();
  void styleCodesOutOfRangeAreIgnored();
  void drawingOnAScanLooksLikeDrawingOnItsRgbCopy_data();
  void drawingOnAScanLooksLikeDrawingOnItsRgbCopy();
  void drawingsLastUntilTheNextPicture();
  void onlyTouchedTilesAreKept();
  void damageCoversTheShape();
  void circleSmallerThanAPixelLeavesADot();
  void pyramidAveragesEveryPixel_data();
  void pyramidAveragesEveryPixel();
  void scaledSizeStaysWithinAWidget_data();
  void scaledSizeStaysWithinAWidget();
  void shapesReachingFarBeyondArePaintedWhereTheyCross_data();
  void shapesReachingFarBeyondArePaintedWhereTheyCross();
};

void TestPictureCanvas::defaultStyleIsAThinUnfilledOutline() {
  PictureCanvas canvas(QSize(60, 60));  // blank: no picture loaded yet
  canvas.drawBox(px(10, 10), px(20, 20), Qt::black);
  const QImage image = canvas.composed(canvas.rect());
  for (int i = 10; i <= 20; ++i) {
    QCOMPARE(image.pixel(i, 10), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(i, 20), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(10, i), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(20, i), qRgb(0, 0, 0));
  }
  QCOMPARE(drawn(image).size(), 40);  // the outline and nothing else
}

void TestPictureCanvas::boxIsTheSameWhicheverWayTheDragWent() {
  PictureCanvas a(QSize(60, 60));
  PictureCanvas b(QSize(60, 60));
  a.drawBox(px(10, 12), px(30, 40), Qt::blue);
  b.drawBox(px(30, 40), px(10, 12), Qt::blue);  // dragged up and left
  QCOMPARE(a.composed(a.rect()), b.composed(b.rect()));
}

void TestPictureCanvas::noOutlineWithSolidFill() {
  PictureCanvas canvas(QSize(100, 100));
  canvas.setDrawStyle(5);
  canvas.setFillStyle(0);
  canvas.setFillColor(Qt::red);
  canvas.drawCircle(px(50, 50), 20 * kTw, Qt::blue);
  canvas.drawBox(px(5, 5), px(15, 15), Qt::blue);
  const QImage image = canvas.composed(canvas.rect());
  QCOMPARE(image.pixel(50, 50), qRgb(255, 0, 0));
  QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 0));
  for (const QPoint& p : drawn(image)) {
    QCOMPARE(image.pixel(p), qRgb(255, 0, 0));  // no blue outline anywhere
  }
}

void TestPictureCanvas::filledBoxCoversTheSamePixelsWithoutOutline_data() {
  QTest::addColumn<QPointF>("press");
  QTest::addColumn<QPointF>("release");
  QTest::newRow("dragged down and right") << px(10, 12) << px(30, 40);
  QTest::newRow("dragged up and left") << px(30, 40) << px(10, 12);
}

void TestPictureCanvas::filledBoxCoversTheSamePixelsWithoutOutline() {
  QFETCH(QPointF, press);
  QFETCH(QPointF, release);
  PictureCanvas outlined(QSize(60, 60));
  PictureCanvas bare(QSize(60, 60));
  for (PictureCanvas* canvas : {&outlined, &bare}) {
    canvas->setFillStyle(0);
    canvas->setFillColor(Qt::red);
  }
  bare.setDrawStyle(5);
  outlined.drawBox(press, release, Qt::red);
  bare.drawBox(press, release, Qt::red);
  const QImage image = bare.composed(bare.rect());
  QCOMPARE(image, outlined.composed(outlined.rect()));
  QCOMPARE(drawn(image).size(), 21 * 29);
  QCOMPARE(image.pixel(30, 40), qRgb(255, 0, 0));  // the far corner too
  QCOMPARE(image.pixel(10, 12), qRgb(255, 0, 0));
}

void TestPictureCanvas::insideOutlineStaysInsideTheBox() {
  PictureCanvas canvas(QSize(80, 80));
  canvas.setDrawWidth(9);
  canvas.setDrawStyle(6);
  canvas.drawBox(px(10, 10), px(50, 40), Qt::black);
  const QImage image = canvas.composed(canvas.rect());
  for (const QPoint& p : drawn(image)) {
    QVERIFY2(p.x() >= 10 && p.x() <= 50 && p.y() >= 10 && p.y() <= 40,
             qPrintable(QStringLiteral("(%1,%2) outside").arg(p.x()).arg(p.y())));
  }
  // The band is 9 pixels wide, from every edge inwards.
  for (int x = 10; x < 19; ++x) {
    QVERIFY(!isWhite(image.pixel(x, 25)));
  }
  QVERIFY(isWhite(image.pixel(19, 25)));
  QVERIFY(!isWhite(image.pixel(50, 25)));
  QVERIFY(!isWhite(image.pixel(42, 25)));
  QVERIFY(isWhite(image.pixel(41, 25)));
  QVERIFY(!isWhite(image.pixel(30, 40)));
  QVERIFY(!isWhite(image.pixel(30, 10)));

  // The same box centred on the outline spills over it.
  PictureCanvas centred(QSize(80, 80));
  centred.setDrawWidth(9);
  centred.drawBox(px(10, 10), px(50, 40), Qt::black);
  QVERIFY(!isWhite(centred.composed(centred.rect()).pixel(7, 25)));
}

void TestPictureCanvas::insideOutlineStaysInsideTheCircle() {
  PictureCanvas canvas(QSize(100, 100));
  canvas.setDrawWidth(9);
  canvas.setDrawStyle(6);
  canvas.drawCircle(px(50, 50), 30 * kTw, Qt::black);
  const QImage image = canvas.composed(canvas.rect());
  const QList<QPoint> points = drawn(image);
  QVERIFY(!points.isEmpty());
  for (const QPoint& p : points) {
    const double d = std::hypot(p.x() + 0.5 - 50, p.y() + 0.5 - 50);
    QVERIFY2(d <= 30.5 && d >= 20.0, qPrintable(QString::number(d)));
  }
  QVERIFY(!isWhite(image.pixel(50, 21)));  // the band reaches in 9 pixels
}

void TestPictureCanvas::fillPatternDirections_data() {
  QTest::addColumn<int>("fill");
  QTest::addColumn<bool>("fullRow");
  QTest::addColumn<bool>("fullColumn");
  QTest::addColumn<bool>("downRight");  // diagonals from upper left to lower right
  QTest::addColumn<bool>("downLeft");   // diagonals from upper right to lower left
  QTest::newRow("horizontal") << 2 << true << false << false << false;
  QTest::newRow("vertical") << 3 << false << true << false << false;
  QTest::newRow("upper left to lower right") << 4 << false << false << true << false;
  QTest::newRow("upper right to lower left") << 5 << false << false << false << true;
  QTest::newRow("cross") << 6 << true << true << false << false;
  QTest::newRow("diagonal cross") << 7 << false << false << true << true;
}

void TestPictureCanvas::fillPatternDirections() {
  QFETCH(int, fill);
  QFETCH(bool, fullRow);
  QFETCH(bool, fullColumn);
  QFETCH(bool, downRight);
  QFETCH(bool, downLeft);
  PictureCanvas canvas(QSize(100, 100));
  canvas.setDrawStyle(5);
  canvas.setFillStyle(fill);
  canvas.setFillColor(Qt::black);
  canvas.drawBox(px(0, 0), px(99, 99), Qt::black);
  const QImage image = canvas.composed(QRect(20, 20, 40, 40));

  const auto run = [&](int x, int y, int dx, int dy) {
    for (int i = 0; i < 10; ++i) {
      if (isWhite(image.pixel(x + i * dx, y + i * dy))) {
        return false;
      }
    }
    return true;
  };
  bool row = false, column = false, right = false, left = false, gap = false;
  for (int y = 0; y < 30; ++y) {
    for (int x = 10; x < 30; ++x) {
      row |= run(x, y, 1, 0);
      column |= run(x, y, 0, 1);
      right |= run(x, y, 1, 1);
      left |= run(x, y, -1, 1);
      gap |= isWhite(image.pixel(x, y));
    }
  }
  QCOMPARE(row, fullRow);
  QCOMPARE(column, fullColumn);
  QCOMPARE(right, downRight);
  QCOMPARE(left, downLeft);
  QVERIFY(gap);
}

void TestPictureCanvas::patternGapsLeaveThePicture() {
  QImage green(60, 60, QImage::Format_RGB32);
  green.fill(Qt::green);
  PictureCanvas canvas(QSize(1, 1));
  canvas.setPicture(green);
  canvas.setFillStyle(6);
  canvas.setFillColor(Qt::black);
  canvas.drawBox(px(0, 0), px(59, 59), Qt::black);
  const QImage image = canvas.composed(canvas.rect());
  int black = 0, stillGreen = 0;
  for (int y = 1; y < 59; ++y) {
    for (int x = 1; x < 59; ++x) {
      const QRgb c = image.pixel(x, y);
      black += c == qRgb(0, 0, 0);
      stillGreen += c == qRgb(0, 255, 0);
    }
  }
  QCOMPARE(black + stillGreen, 58 * 58);
  QVERIFY(black > 0 && stillGreen > black);
}

void TestPictureCanvas::lineLeavesTheFillStateAlone() {
  PictureCanvas canvas(QSize(60, 60));
  canvas.setFillStyle(0);
  canvas.setFillColor(Qt::red);
  canvas.setDrawWidth(3);
  canvas.setDrawStyle(1);
  canvas.drawLine(px(0, 50), px(59, 50), Qt::blue);
  bool lineDrawn = false;
  QCOMPARE(canvas.fillStyle(), 0);
  QCOMPARE(canvas.fillColor(), QColor(Qt::red));
  QCOMPARE(canvas.drawWidth(), 3);
  QCOMPARE(canvas.drawStyle(), 1);
  canvas.setDrawStyle(0);
  canvas.drawBox(px(5, 5), px(20, 20), Qt::blue);
  const QImage image = canvas.composed(canvas.rect());
  QCOMPARE(image.pixel(12, 12), qRgb(255, 0, 0));
  for (int x = 0; x < 60; ++x) {
    lineDrawn |= image.pixel(x, 50) == qRgb(0, 0, 255);
  }
  QVERIFY(lineDrawn);
  // A line never fills anything.
  QVERIFY(isWhite(image.pixel(30, 40)));
}

void TestPictureCanvas::styleCodesOutOfRangeAreIgnored() {
  PictureCanvas canvas(QSize(10, 10));
  canvas.setDrawStyle(7);
  canvas.setFillStyle(-1);
  canvas.setDrawWidth(0);
  QCOMPARE(canvas.drawStyle(), 0);
  QCOMPARE(canvas.fillStyle(), 1);
  QCOMPARE(canvas.drawWidth(), 1);
  canvas.setDrawWidth(1 << 20);
  QCOMPARE(canvas.drawWidth(), 32767);
}

void TestPictureCanvas::drawingOnAScanLooksLikeDrawingOnItsRgbCopy_data() {
  QTest::addColumn<int>("format");
  QTest::newRow("1-bit") << int(QImage::Format_Mono);
  QTest::newRow("1-bit LSB") << int(QImage::Format_MonoLSB);
  QTest::newRow("8-bit grey") << int(QImage::Format_Grayscale8);
  QTest::newRow("indexed") << int(QImage::Format_Indexed8);
  QTest::newRow("RGB") << int(QImage::Format_RGB32);
}

void TestPictureCanvas::drawingOnAScanLooksLikeDrawingOnItsRgbCopy() {
  QFETCH(int, format);
  const QImage scan = testPicture(QImage::Format(format));
  PictureCanvas canvas(QSize(1, 1));
  canvas.setPicture(scan);
  QImage reference = scan.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&reference);

  const auto pen = [](QColor c, int w, Qt::PenStyle s) {
    return QPen(QBrush(c), w, s, Qt::FlatCap, Qt::MiterJoin);
  };
  // Shapes that cross tile edges (every 256 pixels) and the picture's edge.
  canvas.setDrawWidth(3);
  canvas.setDrawStyle(3);
  canvas.setFillStyle(4);
  canvas.setFillColor(Qt::red);
  canvas.drawCircle(px(256, 256), 120 * kTw, Qt::red);
  painter.setPen(pen(Qt::red, 3, Qt::DashDotLine));
  painter.setBrush(QBrush(Qt::red, Qt::FDiagPattern));
  painter.drawEllipse(QPointF(256, 256), 120, 120);

  canvas.setDrawWidth(1);
  canvas.setDrawStyle(0);
  canvas.setFillStyle(7);
  canvas.setFillColor(Qt::blue);
  canvas.drawBox(px(600, 500), px(240, 200), Qt::blue);
  painter.setPen(pen(Qt::blue, 1, Qt::SolidLine));
  painter.setBrush(QBrush(Qt::blue, Qt::DiagCrossPattern));
  painter.drawRect(QRectF(QPointF(240, 200), QPointF(600, 500)));

  canvas.setDrawWidth(5);
  canvas.setDrawStyle(1);
  canvas.drawLine(px(-10, 590), px(710, 10), Qt::magenta);
  painter.setPen(pen(Qt::magenta, 5, Qt::DashLine));
  painter.drawLine(QPointF(-10, 590), QPointF(710, 10));
  painter.end();

  QCOMPARE(canvas.composed(canvas.rect()), reference);
  // Any part of it, as a repaint of a small exposed area would show it.
  QCOMPARE(canvas.composed(QRect(250, 190, 30, 90)), reference.copy(250, 190, 30, 90));
}

void TestPictureCanvas::drawingsLastUntilTheNextPicture() {
  PictureCanvas canvas(QSize(300, 300));
  canvas.drawBox(px(10, 10), px(280, 280), Qt::black);
  const QImage before = canvas.composed(canvas.rect());
  QCOMPARE(canvas.composed(canvas.rect()), before);  // a repaint shows the same
  QVERIFY(!drawn(before).isEmpty());

  QImage picture(300, 300, QImage::Format_RGB32);
  picture.fill(Qt::white);
  canvas.setPicture(picture);
  QVERIFY(drawn(canvas.composed(canvas.rect())).isEmpty());
  QCOMPARE(canvas.layer().tileCount(), 0);
  QCOMPARE(canvas.size(), QSize(300, 300));
}

void TestPictureCanvas::onlyTouchedTilesAreKept() {
  PictureCanvas canvas(QSize(4096, 4096));
  canvas.drawCircle(px(100, 100), 5 * kTw, Qt::black);
  QCOMPARE(canvas.layer().tileCount(), 1);
  // A big outline keeps the tiles it passes through, not the ones inside it.
  canvas.drawCircle(px(2048, 2048), 1800 * kTw, Qt::black);
  const qsizetype ring = canvas.layer().tileCount();
  QVERIFY2(ring > 40 && ring < 80, qPrintable(QString::number(ring)));
  // Beyond the canvas nothing is kept.
  canvas.drawBox(px(5000, 5000), px(6000, 6000), Qt::black);
  QCOMPARE(canvas.layer().tileCount(), ring);
}

void TestPictureCanvas::damageCoversTheShape() {
  PictureCanvas canvas(QSize(200, 200));
  QRect damaged;
  canvas.setDamageHandler([&](const QRect& r) { damaged |= r; });
  canvas.setDrawWidth(7);
  canvas.drawLine(px(20, 30), px(120, 90), Qt::black);
  for (const QPoint& p : drawn(canvas.composed(canvas.rect()))) {
    QVERIFY(damaged.contains(p));
  }
  QVERIFY(damaged.width() < 120 && damaged.height() < 80);
}

void TestPictureCanvas::scaledSizeStaysWithinAWidget_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<double>("zoom");
  QTest::addColumn<QSize>("scaled");
  QTest::newRow("small, three times") << QSize(100, 50) << 3.0 << QSize(300, 150);
  QTest::newRow("a tiny sliver zoomed out") << QSize(3, 300) << 0.125 << QSize(1, 37);
  QTest::newRow("a hundred million wide at 3200%")
      << QSize(100000000, 10) << 32.0 << QSize(zoom::kMostScreenPixels, 320);
  QTest::newRow("two hundred million high at 1600%")
      << QSize(10, 200000000) << 16.0 << QSize(160, zoom::kMostScreenPixels);
  QTest::newRow("the widest int, doubled")
      << QSize(INT_MAX, 1) << 2.0 << QSize(zoom::kMostScreenPixels, 2);
}

// Beyond what a widget can be, the size stops there instead of wrapping.
void TestPictureCanvas::scaledSizeStaysWithinAWidget() {
  QFETCH(QSize, size);
  QFETCH(double, zoom);
  QFETCH(QSize, scaled);
  const PictureCanvas canvas(size);  // blank: costs no memory however large
  QCOMPARE(canvas.scaledSize(zoom), scaled);
}

void TestPictureCanvas::shapesReachingFarBeyondArePaintedWhereTheyCross_data() {
  QTest::addColumn<int>("shape");
  QTest::addColumn<double>("far");  // image pixels
  QTest::newRow("line, a hundred thousand pixels") << 2 << 1e5;
  QTest::newRow("line, ten thousand million pixels") << 2 << 1e10;
  QTest::newRow("box, ten thousand million pixels") << 4 << 1e10;
  QTest::newRow("circle, ten thousand million pixels") << 3 << 1e10;
}

// A shape whose ends lie far outside the picture still shows where it
// crosses it.
void TestPictureCanvas::shapesReachingFarBeyondArePaintedWhereTheyCross() {
  QFETCH(int, shape);
  QFETCH(double, far);
  PictureCanvas canvas(QSize(200, 100));
  switch (shape) {
    case 2:
      canvas.drawLine(px(-far, 50), px(far, 50), Qt::black);
      break;
    case 3:
      // The outline passes through pixel (100, 50); the centre is far above.
      canvas.drawCircle(px(100, 50 - far), far * kTw, Qt::black);
      break;
    default:
      canvas.drawBox(px(-far, 50), px(far, far), Qt::black);
      break;
  }
  const QImage image = canvas.composed(canvas.rect());
  QCOMPARE(image.pixel(100, 50), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(100, 10), qRgb(255, 255, 255));
}

void TestPictureCanvas::circleSmallerThanAPixelLeavesADot() {
  PictureCanvas canvas(QSize(40, 40));
  canvas.drawCircle(px(10, 10), 3, Qt::black);  // the default point marker
  canvas.drawCircle(px(20, 20), 0, Qt::blue);
  canvas.setDrawStyle(5);
  canvas.setFillStyle(0);
  canvas.setFillColor(Qt::red);
  canvas.drawCircle(px(30, 30), 3, Qt::black);
  canvas.setFillStyle(1);
  canvas.drawCircle(px(30, 10), 3, Qt::black);  // no outline, no fill: nothing
  const QImage image = canvas.composed(canvas.rect());
  QCOMPARE(image.pixel(10, 10), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(20, 20), qRgb(0, 0, 255));
  QCOMPARE(image.pixel(30, 30), qRgb(255, 0, 0));
  QCOMPARE(drawn(image).size(), 3);
}

void TestPictureCanvas::pyramidAveragesEveryPixel_data() {
  QTest::addColumn<int>("format");
  QTest::addColumn<bool>("inverted");  // a palette with black first
  QTest::newRow("1-bit") << int(QImage::Format_Mono) << false;
  QTest::newRow("1-bit, other bit order") << int(QImage::Format_MonoLSB) << false;
  QTest::newRow("1-bit, black first") << int(QImage::Format_Mono) << true;
  QTest::newRow("grey") << int(QImage::Format_Grayscale8) << false;
  QTest::newRow("colour") << int(QImage::Format_RGB32) << false;
  QTest::newRow("colour with alpha") << int(QImage::Format_ARGB32) << false;
}

// Every level pixel is the mean of the pixels it covers, over white: one
// black pixel in 8 x 8 is 7/8 white. At the far edges, where a block is cut
// short, the last pixels weigh more, but a lone pixel there still shows.
void TestPictureCanvas::pyramidAveragesEveryPixel() {
  QFETCH(int, format);
  QFETCH(bool, inverted);
  QImage source(1603, 1201, QImage::Format_RGB32);  // not a multiple of anything
  source.fill(Qt::white);
  for (int x = 0; x < source.width(); ++x) {
    source.setPixel(x, 600, qRgb(0, 0, 0));
  }
  source.setPixel(1602, 1200, qRgb(0, 0, 0));  // the last, alone in its block
  QImage picture = source.convertToFormat(static_cast<QImage::Format>(format));
  if (inverted) {
    QList<QRgb> table = picture.colorTable();
    std::reverse(table.begin(), table.end());
    picture.invertPixels();
    picture.setColorTable(table);
  }
  QCOMPARE(picture.pixel(5, 600) & 0xffffff, 0u);
  const Pyramid pyramid = Pyramid::build(picture);
  QCOMPARE(pyramid.level(2).size(), QSize(401, 301));
  QCOMPARE(pyramid.deepest(), Pyramid::kDeepest);
  const QImage level3 = pyramid.level(3).convertToFormat(QImage::Format_RGB32);
  QCOMPARE(level3.size(), QSize(201, 151));
  QVERIFY(qAbs(qGray(level3.pixel(100, 75)) - 255 * 7 / 8) <= 2);
  QCOMPARE(qGray(level3.pixel(100, 74)), 255);
  QVERIFY(qGray(level3.pixel(200, 150)) < 200);
  // A half made for a piece is the same as that piece of a whole half.
  const QImage half = Pyramid::reducedPart(picture, QRect(400, 598, 8, 4), 2);
  QCOMPARE(half.size(), QSize(4, 2));
  QCOMPARE(qGray(half.convertToFormat(QImage::Format_RGB32).pixel(1, 1)), 128);
}

void TestPictureCanvas::longOutlinesDrawnTileByTileAsWhole_data() {
  QTest::addColumn<bool>("closed");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("vertices");
  QTest::newRow("polyline, thin") << false << 1 << 300;
  QTest::newRow("polygon, thin") << true << 1 << 300;
  QTest::newRow("polygon, wide") << true << 9 << 300;
  QTest::newRow("polyline, wide, sharp turns") << false << 7 << 41;
  QTest::newRow("polygon on one tile") << true << 5 << 12;
  QTest::newRow("polygon on one tile, touching the next") << true << 9 << -1;
  QTest::newRow("polyline, a pen wider than tiles go") << false << 40 << 41;
}

// An outline drawn only on the tiles it crosses leaves exactly the pixels
// that drawing it whole on the picture leaves, joins and all.
void TestPictureCanvas::longOutlinesDrawnTileByTileAsWhole() {
  QFETCH(bool, closed);
  QFETCH(int, width);
  QFETCH(int, vertices);
  const QSize size(1500, 1100);
  QImage white(size, QImage::Format_RGB32);
  white.fill(Qt::white);
  PictureCanvas canvas(size);
  canvas.setPicture(white);
  canvas.setDrawWidth(width);
  // A star whose spikes reach across several tiles and beyond the picture.
  std::vector<QPointF> twips;
  if (vertices < 0) {
    // Wholly on one tile but for its pen, which reaches the tile beside it.
    for (const QPointF corner :
         {QPointF(200, 30), QPointF(240, 30), QPointF(240, 70), QPointF(200, 70)}) {
      twips.push_back(corner * 15);
    }
  }
  const double reach = vertices > 20 ? 800 : 60;
  for (int i = 0; i < vertices; ++i) {
    const double a = 2 * M_PI * i / vertices;
    const double r = reach * (i % 2 ? 0.35 : 1.0) + (i % 7) * 3.3;
    twips.emplace_back((700 + r * std::cos(a)) * 15, (520 + r * std::sin(a)) * 15);
  }
  QPolygonF pixels;
  for (const QPointF& t : twips) {
    pixels << t / 15;
  }
  const QColor colour(200, 30, 40);
  closed ? canvas.drawPolygon(twips, colour) : canvas.drawPolyline(twips, colour);

  QImage expected = white.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  {
    QPainter painter(&expected);
    painter.setPen(QPen(QBrush(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    closed ? painter.drawPolygon(pixels) : painter.drawPolyline(pixels);
  }
  const QImage shown = canvas.composed(canvas.rect()).convertToFormat(expected.format());
  // A wide pen leaves exactly the same pixels. A one-pixel line, cut where
  // a tile's margin ends, may step over a pixel further along where the
  // whole line passes half-way between two: never more than that, and not
  // often.
  const QRgb ink = colour.rgb();
  const auto inkNear = [&](const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const QPoint p(x + dx, y + dy);
        if (image.rect().contains(p) && image.pixel(p) == ink) {
          return true;
        }
      }
    }
    return false;
  };
  int inked = 0, differing = 0, astray = 0;
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      inked += expected.pixel(x, y) == ink;
      if (shown.pixel(x, y) != expected.pixel(x, y)) {
        ++differing;
        astray += !(shown.pixel(x, y) == ink ? inkNear(expected, x, y) : inkNear(shown, x, y));
      }
    }
  }
  if (width > 1) {
    QCOMPARE(differing, 0);
  }
  QCOMPARE(astray, 0);
  QVERIFY2(differing * 50 < inked, qPrintable(QString::number(differing)));
  QVERIFY(canvas.layer().tileCount() > 0);
}

// An outline running far beyond the picture keeps tiles only over the
// picture, and undo takes them all back.
void TestPictureCanvas::outlineBeyondThePictureKeepsNoTilesThere() {
  QImage white(QSize(1000, 1000), QImage::Format_RGB32);
  white.fill(Qt::white);
  PictureCanvas canvas(white.size());
  canvas.setPicture(white);
  canvas.beginRecording();
  const std::vector<QPointF> twips = {{1500, 1500}, {100000 * 15, 3000}, {3000, 9000}};
  canvas.drawPolyline(twips, Qt::black);
  const auto drawn = canvas.endRecording();
  QVERIFY(canvas.layer().tileCount() > 0);
  QVERIFY(canvas.layer().tileCount() <= 16);
  drawn->undo();
  QCOMPARE(canvas.layer().tileCount(), 0);
}

QTEST_MAIN(TestPictureCanvas)
#include "tst_picturecanvas.moc"

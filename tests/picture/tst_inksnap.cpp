// Snapping to the drawing's ink: strokes drawn here with exact antialiasing
// at known sub-pixel places, so the centre lines and crossings the snap
// finds can be held against the true ones.
#include "InkSnap.h"
#include "PdfFiles.h"
#include "PdfPicture.h"
#include "PictureLoader.h"
#include "RasterPicture.h"

#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <new>
#include <random>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

constexpr double kPi = 3.14159265358979323846;

QPointF unit(double degrees) {
  return {std::cos(degrees * kPi / 180), std::sin(degrees * kPi / 180)};
}

// A straight stroke with flat ends from `a` to `b`.
struct Stroke {
  QPointF a, b;
  double width;
};
using Strokes = QList<Stroke>;

// A stroke through `at` at `degrees`, longer than any picture here.
Stroke line(QPointF at, double degrees, double width) {
  return {at - 1000 * unit(degrees), at + 1000 * unit(degrees), width};
}

bool inside(const Stroke& s, QPointF p) {
  const QPointF d = s.b - s.a;
  const double length = std::hypot(d.x(), d.y());
  const QPointF u = d / length;
  const QPointF r = p - s.a;
  const double t = r.x() * u.x() + r.y() * u.y();
  const double n = r.x() * u.y() - r.y() * u.x();
  return t >= 0 && t <= length && std::abs(n) <= s.width / 2;
}

// Where a pixel centred on `p` lies: wholly outside the stroke (-1),
// wholly inside (1) or on its edge (0).
int whereIs(const Stroke& s, QPointF p) {
  const QPointF d = s.b - s.a;
  const double length = std::hypot(d.x(), d.y());
  const QPointF u = d / length;
  const QPointF r = p - s.a;
  const double t = r.x() * u.x() + r.y() * u.y();
  const double n = std::abs(r.x() * u.y() - r.y() * u.x());
  if (t < -1 || t > length + 1 || n > s.width / 2 + 1) {
    return -1;
  }
  return t > 1 && t < length - 1 && n < s.width / 2 - 1 ? 1 : 0;
}

// How much of each pixel the strokes cover, from 16 x 16 samples a pixel.
std::vector<double> coverage(QSize size, const Strokes& strokes) {
  std::vector<double> cover(std::size_t(size.width() * size.height()));
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      int most = -1;
      for (const Stroke& s : strokes) {
        most = std::max(most, whereIs(s, QPointF(x + 0.5, y + 0.5)));
      }
      if (most != 0) {
        cover[std::size_t(y * size.width() + x)] = most > 0 ? 1 : 0;
        continue;
      }
      int hits = 0;
      for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 16; ++i) {
          const QPointF p(x + (i + 0.5) / 16, y + (j + 0.5) / 16);
          hits += std::any_of(strokes.begin(), strokes.end(),
                              [&](const Stroke& s) { return inside(s, p); });
        }
      }
      cover[std::size_t(y * size.width() + x)] = hits / 256.0;
    }
  }
  return cover;
}

enum class Kind { Grey, Colour, Mono, Transparent };

// The strokes on paper as a picture of `kind`: dark grey on light grey,
// dark blue on a cream paper, black on white (a pixel black when more than
// half covered), or black on nothing. `noise` is the deviation of a
// scanner's noise in grey levels.
QImage drawn(QSize size, const Strokes& strokes, Kind kind, double noise = 0) {
  const std::vector<double> cover = coverage(size, strokes);
  std::mt19937 random(7);
  std::normal_distribution<double> scatter(0, noise > 0 ? noise : 1);
  const auto noisy = [&](double v) {
    return std::clamp(static_cast<int>(std::lround(v + (noise > 0 ? scatter(random) : 0))), 0, 255);
  };
  QImage image(size, kind == Kind::Grey          ? QImage::Format_Grayscale8
                     : kind == Kind::Transparent ? QImage::Format_ARGB32
                                                 : QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const double c = cover[std::size_t(y * size.width() + x)];
      switch (kind) {
        case Kind::Grey:
          image.scanLine(y)[x] = uchar(noisy(235 - 200 * c));
          break;
        case Kind::Colour:
          image.setPixel(x, y,
                         qRgb(noisy(244 - 214 * c), noisy(238 - 198 * c), noisy(216 - 76 * c)));
          break;
        case Kind::Mono:
          image.setPixel(x, y, c > 0.5 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
          break;
        case Kind::Transparent:
          image.setPixel(x, y, qRgba(0, 0, 0, noisy(255 * c)));
          break;
      }
    }
  }
  return kind == Kind::Mono ? image.convertToFormat(QImage::Format_Mono) : image;
}

double offLine(QPointF p, const Stroke& s) {
  const QPointF d = s.b - s.a;
  const QPointF r = p - s.a;
  return std::abs(r.x() * d.y() - r.y() * d.x()) / std::hypot(d.x(), d.y());
}

// A page whose drawing throws, as when memory runs out, counting the tries.
struct ThrowingRenderer : PdfPageRenderer {
  int* tries;
  explicit ThrowingRenderer(int* t) : tries(t) {}
  QImage render(double, const QRect&, const std::function<bool()>&) override {
    ++*tries;
    throw std::bad_alloc();
  }
};
struct ThrowingDocument : PdfDocument {
  mutable int tries = 0;
  int pageCount() const override { return 1; }
  QSizeF pageSize(int) const override { return {612, 792}; }
  std::unique_ptr<PdfPageRenderer> renderer(int) const override {
    return std::make_unique<ThrowingRenderer>(&tries);
  }
};

// A white picture with a dark vertical stroke down it, whose first rows
// come at once and the rest when the test lets them.
struct StrokeDecoder : PictureDecoder {
  QSemaphore* release;
  explicit StrokeDecoder(QSemaphore* r) : release(r) {}
  QSize size() const override { return {64, 300}; }
  bool prepare(PixelStore& store) override {
    store.image = QImage(size(), QImage::Format_Grayscale8);
    store.image.fill(255);
    return true;
  }
  Result decode(PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override {
    const auto fill = [&](int from, int to) {
      for (int y = from; y < to; ++y) {
        std::fill_n(store.row(y) + 31, 3, uchar(0));
      }
      rows(to);
    };
    fill(0, 100);
    while (!release->tryAcquire(1, 5)) {
      if (cancelled()) {
        return {};
      }
    }
    fill(100, 300);
    return {};
  }
};

double apart(QPointF a, QPointF b) {
  return std::hypot(a.x() - b.x(), a.y() - b.y());
}

}  // namespace

class TestInkSnap : public QObject {
  Q_OBJECT

 private slots:
  void centreLine_data();
  void centreLine();
  void anyStroke_data();
  void anyStroke();
  void crossing_data();
  void crossing();
  void nothingInReach_data();
  void nothingInReach();
  void noiseBetween();
  void absurdPlaces_data();
  void absurdPlaces();
  void pictureKinds_data();
  void pictureKinds();
  void zoomedFarOut_data();
  void zoomedFarOut();
  void pdfPage();
  void stillDecoding();
  void beyondAStrokesEnd_data();
  void beyondAStrokesEnd();
  void atThePicturesEdges_data();
  void atThePicturesEdges();
  void pdfPageThatCannotBeDrawn();
};

void TestInkSnap::centreLine_data() {
  QTest::addColumn<double>("width");
  QTest::addColumn<double>("degrees");
  QTest::addColumn<double>("noise");
  QTest::addColumn<int>("kind");
  for (double width : {1.0, 2.0, 3.5, 5.0, 9.0}) {
    for (double degrees : {0.0, 90.0, 17.0, 45.0, 63.0, 148.0}) {
      QTest::addRow("%g px at %g, grey", width, degrees) << width << degrees << 0.0 << 0;
      QTest::addRow("%g px at %g, noisy", width, degrees) << width << degrees << 8.0 << 0;
      QTest::addRow("%g px at %g, colour", width, degrees)
          << width << degrees << 3.0 << int(Kind::Colour);
    }
  }
  for (double width : {1.0, 4.0, 15.0}) {
    QTest::addRow("%g px at 30, transparent", width)
        << width << 30.0 << 0.0 << int(Kind::Transparent);
  }
  QTest::addRow("15 px at 110, noisy") << 15.0 << 110.0 << 8.0 << 0;
}

// From beside the stroke, or from on it, the snap lands on the centre line,
// level with the pointer.
void TestInkSnap::centreLine() {
  QFETCH(double, width);
  QFETCH(double, degrees);
  QFETCH(double, noise);
  QFETCH(int, kind);
  const Stroke stroke = line(QPointF(48.37, 47.71), degrees, width);
  const QImage image = drawn(QSize(96, 96), {stroke}, Kind(kind), noise);
  const QPointF across(-unit(degrees).y(), unit(degrees).x());
  for (double off : {width / 2 + 2.3, 0.4, -(width / 2 + 1.2)}) {
    const QPointF pointer = stroke.a + 1003.1 * unit(degrees) + off * across;
    const std::optional<InkSnap> snap = snapToInk(image, pointer, std::abs(off) + 1);
    QVERIFY2(snap, qPrintable(u"from %1 off"_s.arg(off)));
    QCOMPARE(snap->kind, InkSnap::Kind::Line);
    QVERIFY2(offLine(snap->at, stroke) <= 0.1,
             qPrintable(QString::number(offLine(snap->at, stroke))));
    // The foot of the pointer on the line.
    QVERIFY(apart(snap->at, pointer - off * across) <= 0.3);
  }
}

void TestInkSnap::anyStroke_data() {
  QTest::addColumn<bool>("crossing");
  QTest::addColumn<int>("seed");
  for (int seed = 1; seed <= 4; ++seed) {
    QTest::addRow("lines, draw %d", seed) << false << seed;
    QTest::addRow("crossings, draw %d", seed) << true << seed;
  }
}

// Strokes drawn at random: any place, angle and width from 1 to 15 pixels
// (crossings of two up to 9 pixels wide, 45 degrees apart or more), on
// paper with up to 10 grey levels of noise, the pointer anywhere near.
void TestInkSnap::anyStroke() {
  QFETCH(bool, crossing);
  QFETCH(int, seed);
  std::mt19937 random(seed);
  const auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  for (int i = 0; i < 12; ++i) {
    const QPointF at(64 + uniform(0, 1), 64 + uniform(0, 1));
    const double degrees = uniform(0, 180);
    const double noise = uniform(0, 1) < 0.5 ? 0 : uniform(0, 10);
    if (!crossing) {
      const double width = uniform(1, 15);
      const double off = uniform(-1, 1) * (width / 2 + 3);
      const QImage image = drawn(QSize(128, 128), {line(at, degrees, width)}, Kind::Grey, noise);
      const QPointF pointer = at + uniform(-5, 5) * unit(degrees) + off * unit(degrees + 90);
      const std::optional<InkSnap> snap = snapToInk(image, pointer, std::abs(off) + 1);
      QVERIFY(snap);
      QVERIFY2(offLine(snap->at, line(at, degrees, width)) <= 0.1,
               qPrintable(u"%1 px at %2"_s.arg(width).arg(degrees)));
    } else {
      const double other = degrees + uniform(45, 135);
      const QImage image =
          drawn(QSize(128, 128), {line(at, degrees, uniform(1, 9)), line(at, other, uniform(1, 9))},
                Kind::Grey, noise);
      const std::optional<InkSnap> snap =
          snapToInk(image, at + QPointF(uniform(-3, 3), uniform(-3, 3)), 8);
      QVERIFY(snap);
      QCOMPARE(snap->kind, InkSnap::Kind::Crossing);
      QVERIFY2(apart(snap->at, at) <= 0.2, qPrintable(u"%1 and %2"_s.arg(degrees).arg(other)));
    }
  }
}

void TestInkSnap::crossing_data() {
  QTest::addColumn<Strokes>("strokes");
  QTest::addColumn<double>("noise");
  const QPointF x(47.63, 48.29);
  const auto arm = [&](double degrees, double width) {
    return Stroke{x - width / 2 * unit(degrees), x + 60 * unit(degrees), width};
  };
  QTest::newRow("square, 1 px") << Strokes{line(x, 0, 1), line(x, 90, 1)} << 0.0;
  QTest::newRow("square, 3 and 5 px, noisy") << Strokes{line(x, 0, 3), line(x, 90, 5)} << 8.0;
  QTest::newRow("17 and 107, 2 px") << Strokes{line(x, 17, 2), line(x, 107, 2)} << 0.0;
  QTest::newRow("45 and 135, 9 px") << Strokes{line(x, 45, 9), line(x, 135, 9)} << 0.0;
  QTest::newRow("slanting, 30 and 100, 4 and 1 px")
      << Strokes{line(x, 30, 4), line(x, 100, 1)} << 4.0;
  QTest::newRow("corner, 3 px") << Strokes{arm(0, 3), arm(90, 3)} << 0.0;
  QTest::newRow("corner at 17 and 80, 2 px, noisy") << Strokes{arm(17, 2), arm(80, 2)} << 8.0;
  QTest::newRow("corner, 9 px") << Strokes{arm(180, 9), arm(270, 9)} << 0.0;
  QTest::newRow("T, 2 px") << Strokes{line(x, 0, 2), arm(63, 2)} << 0.0;
  // Sharing their ink over a long stretch.
  QTest::newRow("37 degrees apart, 11 and 14 px")
      << Strokes{line(x, 20, 11), line(x, 57, 14)} << 0.0;
}

// Near where two strokes meet, the snap goes to where their centre lines
// cross, whether the pointer is on one stroke or between them.
void TestInkSnap::crossing() {
  QFETCH(Strokes, strokes);
  QFETCH(double, noise);
  const QPointF x(47.63, 48.29);
  const QImage image = drawn(QSize(96, 96), strokes, Kind::Grey, noise);
  for (const QPointF off : {QPointF(0.3, -0.2), QPointF(4.5, 0.4), QPointF(-3, 5)}) {
    const std::optional<InkSnap> snap = snapToInk(image, x + off, 8);
    QVERIFY2(snap, qPrintable(u"from %1, %2"_s.arg(off.x()).arg(off.y())));
    QCOMPARE(snap->kind, InkSnap::Kind::Crossing);
    QVERIFY2(apart(snap->at, x) <= 0.2, qPrintable(QString::number(apart(snap->at, x))));
  }
}

void TestInkSnap::nothingInReach_data() {
  QTest::addColumn<Strokes>("strokes");
  QTest::addColumn<double>("noise");
  QTest::addColumn<QPointF>("pointer");
  QTest::addColumn<double>("reach");
  QTest::addColumn<bool>("inkFurther");
  QTest::newRow("blank paper") << Strokes{} << 0.0 << QPointF(48, 48) << 30.0 << false;
  QTest::newRow("noisy blank paper") << Strokes{} << 10.0 << QPointF(48, 48) << 30.0 << false;
  QTest::newRow("a line beyond reach")
      << Strokes{line(QPointF(48, 60), 0, 2)} << 8.0 << QPointF(48, 48) << 6.0 << true;
  // The stroke's edge is in reach, its centre line is not.
  QTest::newRow("the edge of a wide stroke")
      << Strokes{line(QPointF(48, 55), 0, 9)} << 0.0 << QPointF(48, 49) << 3.0 << true;
  QTest::newRow("zoomed far in, a pixel off")
      << Strokes{line(QPointF(48, 48), 90, 3)} << 0.0 << QPointF(49.1, 48) << 0.19 << true;
  // One pixel the noise took over the threshold, alone: no speck of ink.
  QTest::newRow("a lone dark pixel on noisy paper")
      << Strokes{{QPointF(48.22, 48.5), QPointF(48.78, 48.5), 0.55}} << 8.0 << QPointF(48.5, 48.5)
      << 3.0 << false;
}

void TestInkSnap::nothingInReach() {
  QFETCH(Strokes, strokes);
  QFETCH(double, noise);
  QFETCH(QPointF, pointer);
  QFETCH(double, reach);
  QFETCH(bool, inkFurther);
  const QImage image = drawn(QSize(96, 96), strokes, Kind::Grey, noise);
  QCOMPARE(snapToInk(image, pointer, reach).has_value(), false);
  // And the same picture snaps where there is ink in a longer reach.
  QCOMPARE(snapToInk(image, pointer, 20).has_value(), inkFurther);
}

// Lone noisy pixels between the pointer and a stroke are passed over, as
// many as there are, and the stroke is found beyond them.
void TestInkSnap::noiseBetween() {
  const Stroke stroke = line(QPointF(48, 56.3), 0, 2);
  Strokes strokes{stroke};
  for (int i = 0; i < 6; ++i) {
    const QPointF at(42.5 + 2 * i, 50.5 + (i % 3));
    strokes.append({at - QPointF(0.3, 0), at + QPointF(0.3, 0), 0.6});
  }
  const QImage image = drawn(QSize(96, 96), strokes, Kind::Grey, 8);
  const std::optional<InkSnap> snap = snapToInk(image, QPointF(48, 49.5), 8);
  QVERIFY(snap);
  QVERIFY2(offLine(snap->at, stroke) <= 0.1,
           qPrintable(QString::number(offLine(snap->at, stroke))));
}

void TestInkSnap::absurdPlaces_data() {
  QTest::addColumn<QPointF>("pointer");
  QTest::addColumn<double>("reach");
  const double huge = 1e300;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  QTest::newRow("far off") << QPointF(1e12, -1e12) << 6.0;
  QTest::newRow("far off, huge reach") << QPointF(-huge, huge) << huge;
  QTest::newRow("not a number") << QPointF(nan, 10) << 6.0;
  QTest::newRow("no reach") << QPointF(48, 48) << 0.0;
  QTest::newRow("reach not a number") << QPointF(48, 48) << nan;
  QTest::newRow("infinite") << QPointF(std::numeric_limits<double>::infinity(), 0) << 6.0;
}

// Whatever a caller passes, the answer is no snap rather than a fault.
void TestInkSnap::absurdPlaces() {
  QFETCH(QPointF, pointer);
  QFETCH(double, reach);
  const QImage image = drawn(QSize(96, 96), {line(QPointF(48, 48), 30, 3)}, Kind::Grey);
  QCOMPARE(snapToInk(image, pointer, reach).has_value(), false);
  RasterPicture picture(image);
  picture.waitUntilReady();
  QCOMPARE(snapToInk(picture, pointer, reach).has_value(), false);
}

void TestInkSnap::pictureKinds_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<double>("degrees");
  QTest::addColumn<double>("tolerance");
  // A 1-bit stroke's edges lie on pixel edges: its centre is the middle of
  // the pixels it holds, up to half a pixel from the line it was drawn for,
  // less where a slanting edge steps.
  for (double degrees : {0.0, 17.0, 63.0}) {
    QTest::addRow("1-bit at %g", degrees) << u"mono"_s << degrees << (degrees == 0 ? 0.5 : 0.2);
    QTest::addRow("grey at %g", degrees) << u"grey"_s << degrees << 0.1;
    QTest::addRow("colour JPEG at %g", degrees) << u"jpeg"_s << degrees << 0.1;
  }
}

// The picture a user opened, in the depth its file has, through what the
// program holds of it.
void TestInkSnap::pictureKinds() {
  QFETCH(QString, kind);
  QFETCH(double, degrees);
  QFETCH(double, tolerance);
  const Stroke stroke = line(QPointF(100.37, 99.71), degrees, 3);
  const Stroke other = line(QPointF(100.37, 99.71), degrees + 90, 3);
  const QSize size(200, 200);
  std::shared_ptr<Picture> picture;
  QTemporaryDir dir;
  if (kind == u"mono"_s) {
    picture = std::make_shared<RasterPicture>(drawn(size, {stroke, other}, Kind::Mono));
  } else if (kind == u"grey"_s) {
    picture = std::make_shared<RasterPicture>(drawn(size, {stroke, other}, Kind::Grey, 4));
  } else {
    const QString path = dir.filePath(u"colour.jpg"_s);
    QImageWriter writer(path);
    writer.setQuality(95);
    QVERIFY(writer.write(drawn(size, {stroke, other}, Kind::Colour, 3)));
    OpenedPicture opened = openPictureFile(path);
    QVERIFY2(opened.decoder, qPrintable(opened.error));
    picture = RasterPicture::decoding(std::move(opened.decoder));
  }
  picture->waitUntilReady();
  const QPointF pointer = stroke.a + 1030.2 * unit(degrees) + 1.9 * unit(degrees + 90);
  const std::optional<InkSnap> snap = snapToInk(*picture, pointer, 4);
  QVERIFY(snap);
  QCOMPARE(snap->kind, InkSnap::Kind::Line);
  QVERIFY2(offLine(snap->at, stroke) <= tolerance,
           qPrintable(QString::number(offLine(snap->at, stroke))));
  const std::optional<InkSnap> cross = snapToInk(*picture, QPointF(102, 98), 4);
  QVERIFY(cross);
  QCOMPARE(cross->kind, InkSnap::Kind::Crossing);
  QVERIFY(apart(cross->at, QPointF(100.37, 99.71)) <= 2 * tolerance);
}

void TestInkSnap::zoomedFarOut_data() {
  QTest::addColumn<double>("reach");
  QTest::addColumn<bool>("mono");
  QTest::addRow("reach 60, grey") << 60.0 << false;
  QTest::addRow("reach 120, grey") << 120.0 << false;
  QTest::addRow("reach 120, 1-bit") << 120.0 << true;
  QTest::addRow("reach 300, grey") << 300.0 << false;
}

// With the whole sheet in view the reach is large: the snap finds the ink
// in the reduced copy and places it from the picture's own pixels.
void TestInkSnap::zoomedFarOut() {
  QFETCH(double, reach);
  QFETCH(bool, mono);
  const QSize size(1200, 1000);
  const Stroke horizontal = line(QPointF(600.3, 500.6), 5, 2);
  const Stroke vertical = {QPointF(300.4, 100), QPointF(300.4, 900), 3};
  const QImage image = drawn(size, {horizontal, vertical}, mono ? Kind::Mono : Kind::Grey, 4);
  RasterPicture picture(image);
  picture.waitUntilReady();
  QVERIFY(picture.hasPyramid());
  const double tolerance = mono ? 0.5 : 0.1;
  const QPointF onLine(800.2, 500.6 + 199.9 * std::tan(5 * kPi / 180));
  const QPointF pointer = onLine + QPointF(0, reach / 2);
  const std::optional<InkSnap> snap = snapToInk(picture, pointer, reach);
  QVERIFY(snap);
  QCOMPARE(snap->kind, InkSnap::Kind::Line);
  QVERIFY2(offLine(snap->at, horizontal) <= tolerance,
           qPrintable(QString::number(offLine(snap->at, horizontal))));
  // Level with the pointer: its foot on the line.
  const QPointF foot = onLine + (reach / 2) * std::sin(5 * kPi / 180) * unit(5);
  // (A 1-bit stroke's steps tilt the short stretch the snap follows.)
  QVERIFY2(apart(snap->at, foot) <= (mono ? 2 : 1),
           qPrintable(QString::number(apart(snap->at, foot))));
  // Where they meet, in reach of the pointer.
  const QPointF meet(300.4, 500.6 - 299.9 * std::tan(5 * kPi / 180));
  const std::optional<InkSnap> cross = snapToInk(picture, meet + QPointF(reach / 2, 0), reach);
  QVERIFY(cross);
  QCOMPARE(cross->kind, InkSnap::Kind::Crossing);
  QVERIFY2(apart(cross->at, meet) <= 2 * tolerance,
           qPrintable(QString::number(apart(cross->at, meet))));
  QCOMPARE(snapToInk(picture, QPointF(900, 850), reach / 2).has_value(), false);
}

// A PDF page's own pixels at the resolution it was opened at.
void TestInkSnap::pdfPage() {
#ifndef KOORDEL_PDF_MODULE
  QSKIP("built without the PDF module");
#else
  usePdfModule(QStringLiteral(KOORDEL_PDF_MODULE));
  if (!pdfAvailable()) {
    QSKIP("the PDF module cannot be loaded here");
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(u"lines.pdf"_s);
  {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
    QPainter painter(&writer);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(20, 100), QPointF(180, 100));
    painter.drawLine(QPointF(60, 20), QPointF(60, 180));
  }
  const OpenedPdf opened = openPdf(path);
  QVERIFY(opened.document);
  PdfPicture page(opened.document, 0, 144);
  // At 144 dpi the line's centre lies between pixel rows 199 and 200.
  const std::optional<InkSnap> snap = snapToInk(page, QPointF(300.3, 202.5), 6);
  QVERIFY(snap);
  QCOMPARE(snap->kind, InkSnap::Kind::Line);
  QVERIFY2(std::abs(snap->at.y() - 200) <= 0.1, qPrintable(QString::number(snap->at.y())));
  const std::optional<InkSnap> cross = snapToInk(page, QPointF(123, 197), 6);
  QVERIFY(cross);
  QCOMPARE(cross->kind, InkSnap::Kind::Crossing);
  QVERIFY(apart(cross->at, QPointF(120, 200)) <= 0.2);
  // Far out: drawn reduced first, then around the place found.
  const std::optional<InkSnap> far = snapToInk(page, QPointF(300.3, 230), 60);
  QVERIFY(far);
  QVERIFY(std::abs(far->at.y() - 200) <= 0.1);
#endif
}

// No pixels, no snap, and nothing thrown; nor a new try at every move.
void TestInkSnap::pdfPageThatCannotBeDrawn() {
  const auto document = std::make_shared<ThrowingDocument>();
  PdfPicture page(document, 0, 144);
  page.waitUntilReady();
  const int before = document->tries;
  for (const double reach : {6.0, 6.0, 100.0, 100.0}) {
    QCOMPARE(snapToInk(page, QPointF(300.5, 200.5), reach).has_value(), false);
  }
  // One try for the page at its own resolution, one reduced.
  QCOMPARE(document->tries - before, 2);
}

// Rows not decoded yet hold no ink, however much the rows above do.
void TestInkSnap::stillDecoding() {
  QSemaphore release;
  const std::shared_ptr<RasterPicture> picture =
      RasterPicture::decoding(std::make_unique<StrokeDecoder>(&release));
  QVERIFY(picture);
  QTRY_COMPARE(picture->decodedRows(), 100);
  QVERIFY(picture->pixels(QRect(0, 200, 16, 16)).isNull());
  const std::optional<InkSnap> decoded = snapToInk(*picture, QPointF(34, 50), 6);
  QVERIFY(decoded);
  QVERIFY(std::abs(decoded->at.x() - 32.5) <= 0.1);
  QCOMPARE(snapToInk(*picture, QPointF(34, 250), 6).has_value(), false);
  release.release();
  picture->waitUntilReady();
  const std::optional<InkSnap> later = snapToInk(*picture, QPointF(34, 250), 6);
  QVERIFY(later);
  QVERIFY(std::abs(later->at.x() - 32.5) <= 0.1);
}

void TestInkSnap::beyondAStrokesEnd_data() {
  QTest::addColumn<double>("reach");
  QTest::newRow("own pixels") << 6.0;
  QTest::newRow("zoomed out to 30 %") << 20.0;
  QTest::newRow("zoomed out to 15 %") << 40.0;
}

// Past the end of a stroke the nearest of its centre line is its end, not
// the paper beyond it, however far out the view is zoomed.
void TestInkSnap::beyondAStrokesEnd() {
  QFETCH(double, reach);
  const Stroke stroke{QPointF(20, 100.5), QPointF(100, 100.5), 3};
  const QImage image = drawn(QSize(200, 200), {stroke}, Kind::Grey);
  RasterPicture picture(image);
  picture.waitUntilReady();
  const std::optional<InkSnap> snap = snapToInk(picture, QPointF(104, 101.5), reach);
  QVERIFY(snap);
  QVERIFY2(snap->at.x() <= 100.5, qPrintable(QString::number(snap->at.x())));
  QVERIFY(std::abs(snap->at.y() - 100.5) <= 0.1);
}

void TestInkSnap::atThePicturesEdges_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("format");
  const QList<QSize> sizes{{1, 1}, {3, 2}, {1, 300}, {300, 2}, {40, 40}};
  const QList<QImage::Format> formats{QImage::Format_Mono,     QImage::Format_Grayscale8,
                                      QImage::Format_Indexed8, QImage::Format_RGB32,
                                      QImage::Format_ARGB32,   QImage::Format_RGB888};
  for (const QSize size : sizes) {
    for (const QImage::Format format : formats) {
      QTest::addRow("%dx%d, format %d", size.width(), size.height(), int(format))
          << size << int(format);
    }
  }
}

// Ink along the picture's borders and a pixel in a corner, looked for from
// the corners, the borders and beyond them, at the reaches of 3200 % to
// 1 %: a snap, where there is one, is on the picture and within reach.
void TestInkSnap::atThePicturesEdges() {
  QFETCH(QSize, size);
  QFETCH(int, format);
  QImage drawnOn(size, QImage::Format_RGB32);
  drawnOn.fill(Qt::white);
  for (int x = 0; x < size.width(); ++x) {
    drawnOn.setPixel(x, size.height() - 1, qRgb(0, 0, 0));
  }
  for (int y = 0; y < size.height(); ++y) {
    drawnOn.setPixel(0, y, qRgb(0, 0, 0));
  }
  drawnOn.setPixel(size.width() - 1, 0, qRgb(0, 0, 0));
  const QImage image = drawnOn.convertToFormat(QImage::Format(format));
  RasterPicture picture(image);
  picture.waitUntilReady();
  const QRectF whole(QPointF(0, 0), QSizeF(size));
  for (const QPointF at : {QPointF(0, 0), QPointF(size.width(), size.height()),
                           QPointF(size.width() - 0.5, 0.5), QPointF(-3, size.height() / 2.0),
                           QPointF(size.width() + 2, -2), QPointF(0.5, size.height() - 0.5)}) {
    for (const double reach : {6.0 / 32, 6.0, 13.0, 50.0, 600.0}) {
      for (const std::optional<InkSnap>& snap :
           {snapToInk(picture, at, reach), snapToInk(image, at, reach)}) {
        if (snap) {
          QVERIFY2(whole.adjusted(-0.01, -0.01, 0.01, 0.01).contains(snap->at),
                   qPrintable(u"(%1, %2) from (%3, %4) reach %5"_s.arg(snap->at.x())
                                  .arg(snap->at.y())
                                  .arg(at.x())
                                  .arg(at.y())
                                  .arg(reach)));
          QVERIFY(apart(snap->at, at) <= reach + 1e-9);
        }
      }
    }
  }
}

QTEST_MAIN(TestInkSnap)
#include "tst_inksnap.moc"

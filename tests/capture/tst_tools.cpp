#include "DrawingSurface.h"
#include "GestureTracker.h"
#include "LineStyle.h"
#include "RecordSink.h"
#include "Selections.h"
#include "StatusPanels.h"
#include "Tools.h"
#include "ValueSheet.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// Writes down every call, so tests see what was set and drawn, in order.
struct FakeSurface : DrawingSurface {
  QStringList calls;
  void setDrawWidth(int w) override { calls << u"width %1"_s.arg(w); }
  void setDrawStyle(int s) override { calls << u"style %1"_s.arg(s); }
  void setFillStyle(int f) override { calls << u"fill %1"_s.arg(f); }
  void setFillColor(const QColor& c) override { calls << u"fillcolour "_s + c.name(); }
  void drawCircle(QPointF c, double r, const QColor& o) override {
    calls << u"circle %1 %2 r %3 %4"_s.arg(c.x()).arg(c.y()).arg(r).arg(o.name());
  }
  void drawLine(QPointF a, QPointF b, const QColor& c) override {
    calls << u"line %1 %2 - %3 %4 %5"_s.arg(a.x()).arg(a.y()).arg(b.x()).arg(b.y()).arg(c.name());
  }
  void drawBox(QPointF a, QPointF b, const QColor& o) override {
    calls << u"box %1 %2 - %3 %4 %5"_s.arg(a.x()).arg(a.y()).arg(b.x()).arg(b.y()).arg(o.name());
  }
  QStringList drawings() const {
    QStringList d;
    for (const QString& c : calls) {
      if (c.startsWith(u"circle"_s) || c.startsWith(u"line"_s) || c.startsWith(u"box"_s)) {
        d << c;
      }
    }
    return d;
  }
};

struct NoPanels : StatusPanels {
  void setPanelText(int, const QString&) override {}
};

struct FakeSink : RecordSink {
  QList<Record> sent;
  std::optional<QString> answer;
  Sent send(const Record& record) override {
    sent << record;
    return {answer, nullptr};
  }
};

}  // namespace

class TestTools : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void pointRecords_data();
  void pointRecords();
  void pointDrawsAMarkerInTheFullStyle();
  void lineRecordAndLength_data();
  void lineRecordAndLength();
  void lineAppliesOnlyTheLineForm();
  void transparentStyleStillSends_data();
  void transparentStyleStillSends();
  void sizeIgnoresTheReferencePoint_data();
  void sizeIgnoresTheReferencePoint();
  void sizesOnATiltedScan_data();
  void sizesOnATiltedScan();
  void tiltedSizeIgnoresTheReferencePoint_data();
  void tiltedSizeIgnoresTheReferencePoint();
  void circleRecordAndRadii_data();
  void circleRecordAndRadii();
  void rectangleRecords_data();
  void rectangleRecords();
  void spreadsheetCellKinds();
  void nothingIsSentWithoutADestination();
  void drawWidthRoundsHalfToEven_data();
  void drawWidthRoundsHalfToEven();
  void badWidthDrawsAndSendsNothing_data();
  void badWidthDrawsAndSendsNothing();
  void negativePointSizeDrawsAndSendsNothing();
  void pointSizeBeyondSinglePrecision_data();
  void pointSizeBeyondSinglePrecision();
  void coefficientThatIsNotANumber();
  void lengthBeyondTheDoubleRange();
  void shapeBeyondTheCanvasReach_data();
  void shapeBeyondTheCanvasReach();
  void deliveryFailureReachesTheUser();
  void colourDialogSemantics();

 private:
  // A press and a release through the gesture tracker, as the canvas makes
  // them: the tracker converts and stores both ends, then runs the tool of
  // `shape`. Returns what the tool told the user.
  std::optional<QString> capture(const QString& shape, QPointF press, QPointF release);
  std::optional<QString> capture(const QString& shape, const QRectF& drag) {
    return capture(shape, drag.topLeft(), drag.bottomRight());
  }
  void calibrate(const QStringList& values);  // 基準値 X Y, 指定基準 X Y, 係数 X Y

  ValueSheet* m_sheet = nullptr;
  Selections m_selections;
  LineStyle m_style;
  FakeSurface m_surface;
  FakeSink m_sink;
  QString m_comment;
  NoPanels m_panels;
  std::unique_ptr<GestureTracker> m_tracker;
  std::vector<std::unique_ptr<ShapeTool>> m_tools;
};

void TestTools::init() {
  m_sheet = new ValueSheet;
  m_selections = Selections{};
  m_selections.destination = destination::kFile;
  m_style = LineStyle{};
  m_surface = FakeSurface{};
  m_sink = FakeSink{};
  m_comment.clear();
  m_tracker = std::make_unique<GestureTracker>(*m_sheet, m_selections, m_panels);
  const ToolContext context{*m_sheet,  m_selections, m_style,
                            m_surface, m_sink,       [this] { return m_comment; }};
  m_tools = setUpTools(context, *m_tracker);
}

void TestTools::cleanup() {
  m_tools.clear();
  m_tracker.reset();
  delete m_sheet;
}

std::optional<QString> TestTools::capture(const QString& shape, QPointF press, QPointF release) {
  m_selections.captureShape = shape;
  const auto pressed =
      m_tracker->press({1, 0, static_cast<float>(press.x()), static_cast<float>(press.y())});
  if (pressed) {
    return pressed;
  }
  return m_tracker->release(
      {1, 0, static_cast<float>(release.x()), static_cast<float>(release.y())});
}

void TestTools::calibrate(const QStringList& values) {
  const Field fields[] = {Field::基準値X,   Field::基準値Y, Field::指定基準X,
                          Field::指定基準Y, Field::x軸係数, Field::Y軸係数};
  for (int i = 0; i < 6; ++i) {
    m_sheet->setText(fields[i], values.at(i));
  }
}

const QStringList kSheetCalibration = {u"1500"_s, u"2250"_s,    u"100"_s,
                                       u"200"_s,  u"0.06944"_s, u"0.01736"_s};
const QStringList kHundredth = {u"0"_s, u"10000"_s, u"0"_s, u"0"_s, u"0.01000"_s, u"0.01000"_s};

void TestTools::pointRecords_data() {
  QTest::addColumn<bool>("calibrated");
  QTest::addColumn<QString>("comment");
  QTest::addColumn<QPointF>("release");
  QTest::addColumn<QString>("record");
  QTest::newRow("P1") << true << u"P1"_s << QPointF(2940, 1530) << u"点,P1,199.99,212.50"_s;
  QTest::newRow("no comment") << true << QString() << QPointF(2940, 1530) << u"点,,199.99,212.50"_s;
  QTest::newRow("comma in the comment")
      << false << u"A,B"_s << QPointF(1500, 2250) << u"点,A,B,1500.00,-2248.00"_s;
  QTest::newRow("at the reference point")
      << true << u"R"_s << QPointF(1500, 2250) << u"点,R,100.00,200.00"_s;
}

void TestTools::pointRecords() {
  QFETCH(bool, calibrated);
  QFETCH(QString, comment);
  QFETCH(QPointF, release);
  QFETCH(QString, record);
  if (calibrated) {
    calibrate(kSheetCalibration);
  }
  m_comment = comment;
  QVERIFY(!capture(shape::kPoint, QPointF(0, 0), release));
  QCOMPARE(m_sink.sent.size(), 1);
  QCOMPARE(m_sink.sent.at(0).textForm(), record);
}

void TestTools::pointDrawsAMarkerInTheFullStyle() {
  QVERIFY(!capture(shape::kPoint, QPointF(10, 10), QPointF(1500, 2250)));
  QCOMPARE(m_surface.calls,
           (QStringList{u"width 1"_s, u"style 0"_s, u"fill 1"_s, u"fillcolour #000000"_s,
                        u"circle 1500 2250 r 3 #000000"_s}));
  m_style.fillStyle = 0;
  m_style.lineColour = Qt::red;
  m_style.pointSizeText = u"45twips"_s;
  m_surface.calls.clear();
  QVERIFY(!capture(shape::kPoint, QPointF(10, 10), QPointF(1500, 2250)));
  QCOMPARE(m_surface.calls.at(2), u"fill 0"_s);
  QCOMPARE(m_surface.calls.at(3), u"fillcolour #ff0000"_s);
  QCOMPARE(m_surface.calls.at(4), u"circle 1500 2250 r 45 #ff0000"_s);
}

void TestTools::lineRecordAndLength_data() {
  QTest::addColumn<QStringList>("calibration");
  QTest::addColumn<QRectF>("drag");  // press at topLeft, release at bottomRight
  QTest::addColumn<QString>("record");
  QTest::addColumn<double>("length");
  QTest::newRow("worked example") << kHundredth << QRectF(QPointF(1000, 9000), QPointF(4000, 5000))
                                  << u"線,A-1,10.00,10.00,40.00,50.00,50"_s << 50.0;
  QTest::newRow("1440 twips at 0.06944 is 99.99")
      << kSheetCalibration << QRectF(QPointF(1500, 2250), QPointF(2940, 2250))
      << u"線,A-1,100.00,200.00,199.99,200.00,99.99"_s << 99.99;
  QTest::newRow("below 1 keeps its zero")
      << QStringList{u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0.00033"_s, u"1"_s}
      << QRectF(QPointF(0, 0), QPointF(1000, 0)) << u"線,A-1,0.00,0.00,0.33,0.00,0.33"_s << 0.33;
  QTest::newRow("whole number has no decimals")
      << kHundredth << QRectF(QPointF(0, 10000), QPointF(1200, 10000))
      << u"線,A-1,0.00,0.00,12.00,0.00,12"_s << 12.0;
  QTest::newRow("zero length") << kHundredth << QRectF(QPointF(700, 700), QPointF(700, 700))
                               << u"線,A-1,7.00,93.00,7.00,93.00,0"_s << 0.0;
  // A negative size from 係数 mirrors the axis: y then grows downwards.
  QTest::newRow("negative y coefficient")
      << QStringList{u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0.01000"_s, u"-0.01000"_s}
      << QRectF(QPointF(0, 1000), QPointF(0, 4000)) << u"線,A-1,0.00,10.00,0.00,40.00,30"_s << 30.0;
}

void TestTools::lineRecordAndLength() {
  QFETCH(QStringList, calibration);
  QFETCH(QRectF, drag);
  QFETCH(QString, record);
  QFETCH(double, length);
  calibrate(calibration);
  m_comment = u"A-1"_s;
  QVERIFY(!capture(shape::kLine, drag));
  QCOMPARE(m_sink.sent.at(0).textForm(), record);
  QCOMPARE(m_sink.sent.at(0).fields().at(6).number.value(), length);
}

void TestTools::lineAppliesOnlyTheLineForm() {
  m_style.fillStyle = 0;
  m_style.drawStyle = 3;
  m_style.widthText = u"4"_s;
  m_style.lineColour = Qt::blue;
  QVERIFY(!capture(shape::kLine, QPointF(1000, 9000), QPointF(4000, 5000)));
  QCOMPARE(m_surface.calls,
           (QStringList{u"width 4"_s, u"style 3"_s, u"line 1000 9000 - 4000 5000 #0000ff"_s}));
}

void TestTools::transparentStyleStillSends_data() {
  QTest::addColumn<QString>("shape");
  for (const QString& shape : {shape::kPoint, shape::kLine, shape::kCircle, shape::kRectangle}) {
    QTest::newRow(shape.toUtf8().constData()) << shape;
  }
}

void TestTools::transparentStyleStillSends() {
  QFETCH(QString, shape);
  m_style.drawStyle = 5;  // 透明: nothing visible for a line
  QVERIFY(!capture(shape, QPointF(1000, 9000), QPointF(4000, 5000)));
  QCOMPARE(m_surface.calls.at(1), u"style 5"_s);
  QCOMPARE(m_surface.drawings().size(), 1);
  QCOMPARE(m_sink.sent.size(), 1);
  QCOMPARE(m_sink.sent.at(0).fields().at(0).text, shape);
}

void TestTools::sizeIgnoresTheReferencePoint_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<int>("sizeField");
  QTest::addColumn<QString>("size");
  QTest::newRow("line length") << QString(shape::kLine) << 6 << u"50"_s;
  QTest::newRow("circle radius") << QString(shape::kCircle) << 4 << u"50"_s;
}

void TestTools::sizeIgnoresTheReferencePoint() {
  QFETCH(QString, shape);
  QFETCH(int, sizeField);
  QFETCH(QString, size);
  calibrate(kHundredth);
  QVERIFY(!capture(shape, QPointF(1000, 9000), QPointF(4000, 5000)));
  calibrate({u"333"_s, u"777"_s, u"-5"_s, u"12"_s, u"0.01000"_s, u"0.01000"_s});
  QVERIFY(!capture(shape, QPointF(1000, 9000), QPointF(4000, 5000)));
  QCOMPARE(m_sink.sent.at(0).fields().at(sizeField).text, size);
  QCOMPARE(m_sink.sent.at(1).fields().at(sizeField).text, size);
  QVERIFY(m_sink.sent.at(0).fields().at(2).text != m_sink.sent.at(1).fields().at(2).text);
}

void TestTools::sizesOnATiltedScan_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<QPointF>("to");  // from the reference point, twips
  QTest::addColumn<QString>("record");
  // 3000 twips along the drawing's x axis, then its y axis, on a scan
  // turned by 30°: x and y scaled apart, so only the turn back gives them.
  const double c = std::sqrt(3.0) / 2 * 3000;
  QTest::newRow("line along x") << QString(shape::kLine) << QPointF(c, -1500)
                                << u"線,,0.00,0.00,30.00,0.00,30"_s;
  QTest::newRow("line along y") << QString(shape::kLine) << QPointF(-1500, -c)
                                << u"線,,0.00,0.00,0.00,60.00,60"_s;
  QTest::newRow("circle") << QString(shape::kCircle) << QPointF(-1500, -c) << u"円,,0.00,0.00,60"_s;
}

void TestTools::sizesOnATiltedScan() {
  QFETCH(QString, shape);
  QFETCH(QPointF, to);
  QFETCH(QString, record);
  calibrate({u"5000"_s, u"30000"_s, u"0"_s, u"0"_s, u"0.01000"_s, u"0.02000"_s});
  m_sheet->setTilt(30);
  const QPointF reference(5000, 30000);
  QVERIFY(!capture(shape, reference, reference + to));
  QCOMPARE(m_sink.sent.at(0).textForm(), record);
}

void TestTools::tiltedSizeIgnoresTheReferencePoint_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<int>("sizeField");
  QTest::addColumn<QString>("reference");  // 基準値, both axes
  // 3000 twips along the drawing's x axis on a scan turned by 30°.
  for (const QString& reference : {u"5000"_s, u"1E20"_s}) {
    QTest::addRow("line, reference %s", qPrintable(reference))
        << QString(shape::kLine) << 6 << reference;
    QTest::addRow("circle, reference %s", qPrintable(reference))
        << QString(shape::kCircle) << 4 << reference;
  }
}

void TestTools::tiltedSizeIgnoresTheReferencePoint() {
  QFETCH(QString, shape);
  QFETCH(int, sizeField);
  QFETCH(QString, reference);
  calibrate({reference, reference, u"0"_s, u"0"_s, u"0.01000"_s, u"0.01000"_s});
  m_sheet->setTilt(30);
  const QPointF from(5000, 30000);
  QVERIFY(!capture(shape, from, from + QPointF(std::sqrt(3.0) / 2 * 3000, -1500)));
  QCOMPARE(m_sink.sent.at(0).fields().at(sizeField).text, u"30"_s);
}

void TestTools::circleRecordAndRadii_data() {
  QTest::addColumn<QStringList>("calibration");
  QTest::addColumn<QRectF>("drag");
  QTest::addColumn<QString>("record");
  QTest::addColumn<QString>("drawn");
  QTest::newRow("worked example") << kHundredth << QRectF(QPointF(1000, 9000), QPointF(4000, 5000))
                                  << u"円,A-1,10.00,10.00,50"_s
                                  << u"circle 1000 9000 r 5000 #000000"_s;
  QTest::newRow("0.06944 over 1440 twips")
      << kSheetCalibration << QRectF(QPointF(1500, 2250), QPointF(2940, 2250))
      << u"円,A-1,100.00,200.00,99.99"_s << u"circle 1500 2250 r 1440 #000000"_s;
  QTest::newRow("15 right and 15 down")
      << kHundredth << QRectF(QPointF(0, 0), QPointF(15, 15)) << u"円,A-1,0.00,100.00,0.21"_s
      << u"circle 0 0 r 21.21 #000000"_s;
  QTest::newRow("dragged up and left: the centre is the press")
      << kHundredth << QRectF(QPointF(4000, 5000), QPointF(1000, 9000))
      << u"円,A-1,40.00,50.00,50"_s << u"circle 4000 5000 r 5000 #000000"_s;
  QTest::newRow("zero radius") << kHundredth << QRectF(QPointF(10, 10), QPointF(10, 10))
                               << u"円,A-1,0.10,99.90,0"_s << u"circle 10 10 r 0 #000000"_s;
}

void TestTools::circleRecordAndRadii() {
  QFETCH(QStringList, calibration);
  QFETCH(QRectF, drag);
  QFETCH(QString, record);
  QFETCH(QString, drawn);
  calibrate(calibration);
  m_comment = u"A-1"_s;
  QVERIFY(!capture(shape::kCircle, drag));
  QCOMPARE(m_sink.sent.at(0).textForm(), record);
  QCOMPARE(m_surface.drawings(), QStringList{drawn});
}

void TestTools::rectangleRecords_data() {
  QTest::addColumn<QStringList>("calibration");
  QTest::addColumn<QRectF>("drag");
  QTest::addColumn<QString>("comment");
  QTest::addColumn<QString>("record");
  const QStringList hundredthAtTheCorner = {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0.01"_s, u"0.01"_s};
  QTest::newRow("calibrated, no comment")
      << kSheetCalibration << QRectF(QPointF(1500, 2250), QPointF(2940, 1530)) << QString()
      << u"四角,,100.00,200.00,100.00,212.50,199.99,212.50,199.99,200.00"_s;
  QTest::newRow("press (10.00, 20.00), release (30.50, 5.25)")
      << hundredthAtTheCorner << QRectF(QPointF(1000, -2000), QPointF(3050, -525)) << u"A"_s
      << u"四角,A,10.00,20.00,10.00,5.25,30.50,5.25,30.50,20.00"_s;
  // On the canvas the press is below and right of the release: corner 1 is
  // still the press, nothing is sorted.
  QTest::newRow("lower right to upper left")
      << hundredthAtTheCorner << QRectF(QPointF(3050, 2000), QPointF(1000, 525)) << u"A"_s
      << u"四角,A,30.50,-20.00,30.50,-5.25,10.00,-5.25,10.00,-20.00"_s;
  QTest::newRow("zero size") << kHundredth << QRectF(QPointF(100, 100), QPointF(100, 100))
                             << u"x,y"_s
                             << u"四角,x,y,1.00,99.00,1.00,99.00,1.00,99.00,1.00,99.00"_s;
}

void TestTools::rectangleRecords() {
  QFETCH(QStringList, calibration);
  QFETCH(QRectF, drag);
  QFETCH(QString, comment);
  QFETCH(QString, record);
  calibrate(calibration);
  m_comment = comment;
  QVERIFY(!capture(shape::kRectangle, drag));
  QCOMPARE(m_sink.sent.at(0).textForm(), record);
  QCOMPARE(m_surface.drawings(), QStringList{u"box %1 %2 - %3 %4 #000000"_s.arg(drag.left())
                                                 .arg(drag.top())
                                                 .arg(drag.right())
                                                 .arg(drag.bottom())});
  QCOMPARE(m_surface.calls.at(2), u"fill 1"_s);  // the full style
}

void TestTools::spreadsheetCellKinds() {
  calibrate(kHundredth);
  m_comment = u"=1+1"_s;
  for (const QString& shape : {shape::kLine, shape::kCircle, shape::kRectangle, shape::kPoint}) {
    QVERIFY(!capture(shape, QPointF(1000, 9000), QPointF(4000, 5000)));
  }
  // Keyword and comment stay texts; converted positions are numbers shown
  // with their two decimals; lengths and radii are plain numbers.
  const QList<int> computed[] = {{6}, {4}, {}, {}};
  for (int r = 0; r < 4; ++r) {
    const auto& fields = m_sink.sent.at(r).fields();
    QCOMPARE(fields.size(), QList<int>({7, 5, 10, 4}).at(r));
    for (int i = 0; i < fields.size(); ++i) {
      const RecordField& f = fields.at(i);
      QCOMPARE(f.number.has_value(), i >= 2);
      QCOMPARE(f.decimals, computed[r].contains(i) || i < 2 ? -1 : 2);
    }
  }
  QCOMPARE(m_sink.sent.at(0).fields().at(5).number.value(), 50.0);
}

void TestTools::nothingIsSentWithoutADestination() {
  // The coefficients are never read when nothing is sent.
  m_sheet->setText(Field::x軸係数, u"abc"_s);
  for (const QString& none : {QString(), u"どこか"_s}) {
    m_selections.destination = none;
    m_surface.calls.clear();
    for (const QString& shape : {shape::kPoint, shape::kLine, shape::kCircle, shape::kRectangle}) {
      QVERIFY(!capture(shape, QPointF(1000, 9000), QPointF(4000, 5000)));
    }
    QCOMPARE(m_surface.drawings().size(), 4);
  }
  QVERIFY(m_sink.sent.isEmpty());
}

void TestTools::drawWidthRoundsHalfToEven_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("width");
  QTest::newRow("2.5") << u"2.5"_s << 2;
  QTest::newRow("3.5") << u"3.5"_s << 4;
  QTest::newRow("2.6") << u"2.6"_s << 3;
  QTest::newRow("4px") << u"4px"_s << 4;
  QTest::newRow("0.5 is 0, not drawable") << u"0.5"_s << 0;
  QTest::newRow("1.5") << u"1.5"_s << 2;
  QTest::newRow("largest") << u"32767"_s << 32767;
  QTest::newRow("32767.5 rounds past the largest") << u"32767.5"_s << 0;
}

void TestTools::drawWidthRoundsHalfToEven() {
  QFETCH(QString, text);
  QFETCH(int, width);
  m_style.widthText = text;
  QCOMPARE(m_style.drawWidth().value_or(0), width);
}

void TestTools::badWidthDrawsAndSendsNothing_data() {
  QTest::addColumn<QString>("text");
  for (const char16_t* t : {u"0", u"abc", u"", u"-1", u"40000", u"1E400"}) {
    QTest::newRow(QString::fromUtf16(t).toUtf8().constData()) << QString::fromUtf16(t);
  }
}

void TestTools::badWidthDrawsAndSendsNothing() {
  QFETCH(QString, text);
  m_style.widthText = text;
  for (const QString& shape : {shape::kPoint, shape::kLine, shape::kCircle, shape::kRectangle}) {
    const auto message = capture(shape, QPointF(1000, 9000), QPointF(4000, 5000));
    QVERIFY(message.has_value());
    QVERIFY2(message->contains(u"線の太さ「%1」"_s.arg(text)), qPrintable(*message));
  }
  QVERIFY(m_surface.calls.isEmpty());
  QVERIFY(m_sink.sent.isEmpty());
  QCOMPARE(m_sheet->text(Field::up座標x), u"4000"_s);  // the release stays recorded
}

void TestTools::negativePointSizeDrawsAndSendsNothing() {
  m_style.pointSizeText = u"-3"_s;
  const auto message = capture(shape::kPoint, QPointF(0, 0), QPointF(100, 100));
  QVERIFY(message && message->contains(u"「-3」"_s));
  QVERIFY(m_surface.calls.isEmpty());
  QVERIFY(m_sink.sent.isEmpty());
  m_style.pointSizeText = u"0"_s;
  QVERIFY(!capture(shape::kPoint, QPointF(0, 0), QPointF(100, 100)));
}

void TestTools::pointSizeBeyondSinglePrecision_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("told");
  QTest::newRow("just beyond") << u"1e39"_s << u"描ける範囲"_s;
  QTest::newRow("far beyond") << u"1D300"_s << u"描ける範囲"_s;
  QTest::newRow("negative, beyond") << u"-1e39"_s << u"「-1e39」"_s;
}

// A size beyond a float's range is the largest float (with its sign): a
// number, not an infinity, and a point that size is refused.
void TestTools::pointSizeBeyondSinglePrecision() {
  QFETCH(QString, text);
  QFETCH(QString, told);
  m_style.pointSizeText = text;
  const double size = m_style.pointSize();
  QCOMPARE(std::abs(size), double(std::numeric_limits<float>::max()));
  QCOMPARE(size < 0, text.startsWith(u'-'));
  const auto message = capture(shape::kPoint, QPointF(0, 0), QPointF(100, 100));
  QVERIFY(message);
  QVERIFY2(message->contains(told), qPrintable(*message));
  QVERIFY(m_surface.calls.isEmpty());
  QVERIFY(m_sink.sent.isEmpty());
}

void TestTools::coefficientThatIsNotANumber() {
  m_sheet->setText(Field::Y軸係数, u"0.01cm"_s);
  const auto line = capture(shape::kLine, QPointF(1000, 9000), QPointF(4000, 5000));
  QVERIFY(line && line->contains(u"Y軸係数「0.01cm」"_s));
  const auto circle = capture(shape::kCircle, QPointF(1000, 9000), QPointF(4000, 5000));
  QVERIFY(circle && circle->contains(u"Y軸係数「0.01cm」"_s));
  // Nothing drawn that has no record.
  QVERIFY(m_surface.calls.isEmpty());
  QVERIFY(m_sink.sent.isEmpty());
  // Points and boxes carry no length and need no coefficient.
  QVERIFY(!capture(shape::kPoint, QPointF(1000, 9000), QPointF(4000, 5000)));
  QVERIFY(!capture(shape::kRectangle, QPointF(1000, 9000), QPointF(4000, 5000)));
  QCOMPARE(m_sink.sent.size(), 2);
}

void TestTools::lengthBeyondTheDoubleRange() {
  // Each end converts within range about a reference point between them, but
  // the length between them does not.
  m_sheet->setText(Field::x軸係数, u"1E300"_s);
  m_sheet->setText(Field::基準値X, u"1E8"_s);
  const auto message = capture(shape::kLine, QPointF(0, 0), QPointF(2e8, 0));
  QVERIFY(message && message->contains(u"オーバーフロー"_s));
  QVERIFY(m_sink.sent.isEmpty());
}

void TestTools::shapeBeyondTheCanvasReach_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<QPointF>("press");
  QTest::addColumn<QPointF>("release");
  QTest::addColumn<bool>("drawn");
  // Positions travel as 7-digit texts: 0.99 keeps the rounding inside.
  const double reach = 0.99 * DrawingSurface::kReachTwips;
  QTest::newRow("point far out") << QString(shape::kPoint) << QPointF() << QPointF(1e12, 0)
                                 << false;
  QTest::newRow("point at the edge")
      << QString(shape::kPoint) << QPointF() << QPointF(reach, -reach) << true;
  QTest::newRow("line end far out")
      << QString(shape::kLine) << QPointF(10, 10) << QPointF(10, 2 * reach) << false;
  QTest::newRow("line across the whole reach")
      << QString(shape::kLine) << QPointF(-reach, -reach) << QPointF(reach, reach) << true;
  QTest::newRow("circle whose rim is out")
      << QString(shape::kCircle) << QPointF(0.6 * reach, 0) << QPointF(0, 0) << false;
  QTest::newRow("box corner far out")
      << QString(shape::kRectangle) << QPointF(-1.2 * reach, 0) << QPointF(10, 10) << false;
}

// Positions far beyond any picture come from a hand-edited settings file, or
// a release far outside a zoomed-out canvas: a shape that cannot be drawn is
// not sent either, so a record always has its shape.
void TestTools::shapeBeyondTheCanvasReach() {
  QFETCH(QString, shape);
  QFETCH(QPointF, press);
  QFETCH(QPointF, release);
  QFETCH(bool, drawn);
  const auto message = capture(shape, press, release);
  QCOMPARE(!message.has_value(), drawn);
  QCOMPARE(m_surface.drawings().size(), drawn ? 1 : 0);
  QCOMPARE(m_sink.sent.size(), drawn ? 1 : 0);
  if (!drawn) {
    QVERIFY2(message->contains(u"描ける範囲"_s), qPrintable(*message));
  }
}

void TestTools::deliveryFailureReachesTheUser() {
  m_sink.answer = u"座標.txt に書き込めませんでした。"_s;
  QCOMPARE(capture(shape::kRectangle, QPointF(0, 0), QPointF(10, 10)).value_or(QString()),
           *m_sink.answer);
}

void TestTools::colourDialogSemantics() {
  LineStyle style;
  style.preset = Qt::darkGray;  // the system's button text colour
  QCOMPARE(style.lineColour, QColor(Qt::black));
  // Cancelled before any choice: the dialog's colour is the preset it opened with.
  style.colourChosen(std::nullopt);
  QCOMPARE(style.lineColour, QColor(Qt::darkGray));
  QCOMPARE(style.swatch, QColor(Qt::darkGray));
  style.colourChosen(QColor(Qt::red));
  QCOMPARE(style.lineColour, QColor(Qt::red));
  QCOMPARE(style.preset, QColor(Qt::red));
  QCOMPARE(style.swatch, QColor(Qt::red));
  style.colourChosen(std::nullopt);
  QCOMPARE(style.lineColour, QColor(Qt::red));
}

QTEST_APPLESS_MAIN(TestTools)
#include "tst_tools.moc"

#include "GestureTracker.h"
#include "Selections.h"
#include "StatusPanels.h"
#include "ValueSheet.h"

#include <QTest>

#include <map>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct FakePanels : StatusPanels {
  std::map<int, QString> texts;
  QList<int> order;
  void setPanelText(int panel, const QString& text) override {
    texts[panel] = text;
    order << panel;
  }
};

// Records what the value sheet held when it ran, so a test can tell that the
// release was complete before the tool started.
struct FakeTool : CaptureTool {
  const ValueSheet* sheet = nullptr;
  QStringList seen;
  std::optional<QString> answer;
  std::optional<QString> run() override {
    seen << sheet->text(Field::up座標x) + u',' + sheet->text(Field::変換up座標y);
    return answer;
  }
};

}  // namespace

class TestGestureTracker : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void pressAndReleaseFillTheEightFields();
  void fieldsAreWrittenInOrder();
  void moveShowsConvertedPointerAndUnits();
  void moveReadsTheCalibrationAfresh();
  void buttonsAndShiftMakeNoDifference();
  void releaseOutsideTheCanvasIsRecorded();
  void dispatchOnTheExactShapeText_data();
  void dispatchOnTheExactShapeText();
  void eachReleaseRunsTheToolOnce();
  void toolFailureReachesTheCaller();
  void overflowStopsTheGestureAndKeepsEarlierFields();
  void overflowOnMoveIsShownInThePanel();

 private:
  ValueSheet* m_sheet = nullptr;
  Selections m_selections;
  FakePanels* m_panels = nullptr;
  GestureTracker* m_tracker = nullptr;
};

void TestGestureTracker::init() {
  m_sheet = new ValueSheet;
  m_selections = Selections{};
  m_panels = new FakePanels;
  m_tracker = new GestureTracker(*m_sheet, m_selections, *m_panels);
}

void TestGestureTracker::cleanup() {
  delete m_tracker;
  delete m_panels;
  delete m_sheet;
}

void TestGestureTracker::pressAndReleaseFillTheEightFields() {
  QVERIFY(!m_tracker->press({1, 0, 300, 450}));
  QVERIFY(!m_tracker->release({1, 0, 1500, 2250}));
  const std::pair<Field, QString> expected[] = {
      {Field::down座標x, u"300"_s},        {Field::down座標y, u"450"_s},
      {Field::変換down座標x, u"300.00"_s}, {Field::変換down座標y, u"-448.00"_s},
      {Field::up座標x, u"1500"_s},         {Field::up座標y, u"2250"_s},
      {Field::変換up座標x, u"1500.00"_s},  {Field::変換up座標y, u"-2248.00"_s},
  };
  for (const auto& [field, text] : expected) {
    QCOMPARE(m_sheet->text(field), text);
  }
  // Nothing else in the sheet moved, and the output row is untouched.
  QCOMPARE(m_sheet->text(Field::基準値X), u"1"_s);
  QCOMPARE(m_sheet->text(Field::x軸係数), u"1"_s);
  QCOMPARE(m_selections.outputRow, qint16(1));
  QVERIFY(m_panels->texts.empty());
}

void TestGestureTracker::fieldsAreWrittenInOrder() {
  QList<Field> written;
  connect(m_sheet, &ValueSheet::changed, this, [&](Field f) { written << f; });
  m_tracker->press({1, 0, 10, 20});
  m_tracker->release({1, 0, 30, 40});
  const QList<Field> expected = {Field::down座標x,     Field::down座標y,  Field::変換down座標x,
                                 Field::変換down座標y, Field::up座標x,    Field::up座標y,
                                 Field::変換up座標x,   Field::変換up座標y};
  QCOMPARE(written, expected);
}

void TestGestureTracker::moveShowsConvertedPointerAndUnits() {
  QList<Field> written;
  connect(m_sheet, &ValueSheet::changed, this, [&](Field f) { written << f; });
  m_tracker->move({0, 0, 300, 450});
  QCOMPARE(m_panels->texts[2], u"300.00"_s);
  QCOMPARE(m_panels->texts[3], QString());
  QCOMPARE(m_panels->texts[5], u"-448.00"_s);
  QCOMPARE(m_panels->texts[6], QString());
  QCOMPARE(m_panels->order, (QList<int>{2, 3, 5, 6}));
  QVERIFY(written.isEmpty());

  m_sheet->setText(Field::x軸単位, u"mm"_s);
  m_sheet->setText(Field::Y軸単位, u"m"_s);
  m_tracker->move({1, 0, 0, 0});
  QCOMPARE(m_panels->texts[3], u"mm"_s);
  QCOMPARE(m_panels->texts[6], u"m"_s);
}

void TestGestureTracker::moveReadsTheCalibrationAfresh() {
  m_tracker->move({0, 0, 100, 100});
  QCOMPARE(m_panels->texts[2], u"100.00"_s);
  m_sheet->setText(Field::x軸係数, u"2"_s);
  m_tracker->move({0, 0, 100, 100});
  QCOMPARE(m_panels->texts[2], u"199.00"_s);
}

void TestGestureTracker::buttonsAndShiftMakeNoDifference() {
  for (const auto& [buttons, shift] : {std::pair{1, 0}, {2, 0}, {4, 0}, {1, 1}, {2, 7}, {0, 0}}) {
    ValueSheet sheet;
    GestureTracker tracker(sheet, m_selections, *m_panels);
    tracker.press({buttons, shift, 300, 450});
    tracker.release({buttons, shift, 1500, 2250});
    QCOMPARE(sheet.text(Field::変換down座標y), u"-448.00"_s);
    QCOMPARE(sheet.text(Field::変換up座標x), u"1500.00"_s);
  }
}

void TestGestureTracker::releaseOutsideTheCanvasIsRecorded() {
  FakeTool tool;
  tool.sheet = m_sheet;
  m_tracker->setTool(shape::kPoint, &tool);
  m_selections.captureShape = shape::kPoint;
  m_tracker->press({1, 0, 15, 15});
  m_tracker->release({1, 0, -15, 200000});
  QCOMPARE(m_sheet->text(Field::up座標x), u"-15"_s);
  QCOMPARE(m_sheet->text(Field::変換up座標x), u"-15.00"_s);
  QCOMPARE(tool.seen, QStringList{u"-15,-199998.00"_s});
}

void TestGestureTracker::dispatchOnTheExactShapeText_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<int>("toolRun");  // index into point, line, circle, rectangle; -1 none
  QTest::newRow("none") << QString() << -1;
  QTest::newRow("point") << u"点"_s << 0;
  QTest::newRow("line") << u"線"_s << 1;
  QTest::newRow("circle") << u"円"_s << 2;
  QTest::newRow("rectangle") << u"四角"_s << 3;
  QTest::newRow("unknown") << u"三角"_s << -1;
  QTest::newRow("not trimmed") << u" 点"_s << -1;
}

void TestGestureTracker::dispatchOnTheExactShapeText() {
  QFETCH(QString, shape);
  QFETCH(int, toolRun);
  FakeTool tools[4];
  const QString shapes[] = {shape::kPoint, shape::kLine, shape::kCircle, shape::kRectangle};
  for (int i = 0; i < 4; ++i) {
    tools[i].sheet = m_sheet;
    m_tracker->setTool(shapes[i], &tools[i]);
  }
  m_selections.captureShape = shape;
  m_tracker->release({1, 0, 30, 45});
  for (int i = 0; i < 4; ++i) {
    // The tool sees the values of this very release.
    QCOMPARE(tools[i].seen, i == toolRun ? QStringList{u"30,-43.00"_s} : QStringList{});
  }
}

void TestGestureTracker::eachReleaseRunsTheToolOnce() {
  FakeTool tool;
  tool.sheet = m_sheet;
  m_tracker->setTool(shape::kLine, &tool);
  m_selections.captureShape = shape::kLine;
  // Two buttons pressed and released in turn, and a release with no press.
  m_tracker->press({1, 0, 1, 1});
  m_tracker->press({2, 0, 2, 2});
  m_tracker->release({1, 0, 10, 1});
  m_tracker->release({2, 0, 20, 1});
  m_tracker->release({4, 0, 30, 1});
  QCOMPARE(tool.seen, (QStringList{u"10,1.00"_s, u"20,1.00"_s, u"30,1.00"_s}));
  QCOMPARE(m_sheet->text(Field::down座標x), u"2"_s);
}

void TestGestureTracker::toolFailureReachesTheCaller() {
  FakeTool tool;
  tool.sheet = m_sheet;
  tool.answer = u"書き込めません。"_s;
  m_tracker->setTool(shape::kCircle, &tool);
  m_selections.captureShape = shape::kCircle;
  QCOMPARE(m_tracker->release({1, 0, 1, 1}).value_or(QString()), u"書き込めません。"_s);
  m_tracker->setTool(shape::kCircle, nullptr);
  QVERIFY(!m_tracker->release({1, 0, 1, 1}));
  QCOMPARE(tool.seen.size(), 1);
}

void TestGestureTracker::overflowStopsTheGestureAndKeepsEarlierFields() {
  FakeTool tool;
  tool.sheet = m_sheet;
  m_tracker->setTool(shape::kPoint, &tool);
  m_selections.captureShape = shape::kPoint;
  m_sheet->setText(Field::Y軸係数, u"1E308"_s);

  const auto pressed = m_tracker->press({1, 0, 60, 90000});
  QCOMPARE(pressed.value_or(QString()), GestureTracker::overflowMessage());
  QCOMPARE(m_sheet->text(Field::down座標y), u"90000"_s);
  QCOMPARE(m_sheet->text(Field::変換down座標x), u"60.00"_s);
  QCOMPARE(m_sheet->text(Field::変換down座標y), u"1"_s);  // not reached

  QVERIFY(m_tracker->release({1, 0, 75, 90000}).has_value());
  QCOMPARE(m_sheet->text(Field::up座標x), u"75"_s);
  QCOMPARE(m_sheet->text(Field::変換up座標x), u"75.00"_s);
  QVERIFY(tool.seen.isEmpty());

  // Back within range, everything works again.
  m_sheet->setText(Field::Y軸係数, u"1"_s);
  QVERIFY(!m_tracker->release({1, 0, 75, 1}));
  QCOMPARE(tool.seen.size(), 1);
}

void TestGestureTracker::overflowOnMoveIsShownInThePanel() {
  m_sheet->setText(Field::x軸係数, u"-1E308"_s);
  m_tracker->move({0, 0, 5000, 1});
  QCOMPARE(m_panels->texts[2], GestureTracker::overflowText());
  QCOMPARE(m_panels->texts[5], u"1.00"_s);
}

QTEST_APPLESS_MAIN(TestGestureTracker)
#include "tst_gesturetracker.moc"

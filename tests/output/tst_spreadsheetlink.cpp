#include "../SampleRecords.h"
#include "Clipboard.h"
#include "CoordinateFile.h"
#include "Destinations.h"
#include "Record.h"
#include "Selections.h"
#include "SpreadsheetAutomation.h"
#include "SpreadsheetLink.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// Writes down every call; the calls named in `failing` fail.
struct FakeAutomation : SpreadsheetAutomation {
  QStringList* log;
  QSet<QString> failing;

  explicit FakeAutomation(QStringList* l) : log(l) {}
  bool call(const QString& name) {
    *log << name;
    return !failing.contains(name);
  }
  bool attach() override { return call(interrupted() ? u"attach, interrupted"_s : u"attach"_s); }
  bool create() override { return call(u"create"_s); }
  bool makeVisible() override { return call(u"visible"_s); }
  bool activeWorkbook() override { return call(u"activeWorkbook"_s); }
  bool addSheet() override { return call(u"addSheet"_s); }
  bool addWorkbook() override { return call(u"addWorkbook"_s); }
  bool activeSheet() override { return call(u"activeSheet"_s); }
  bool setText(int row, int column, const QString& text) override {
    return call(u"text %1,%2 %3"_s.arg(row).arg(column).arg(text)) && !failing.contains(u"cells"_s);
  }
  bool setNumber(int row, int column, double value, int decimals) override {
    const QString format = decimals < 0 ? QString() : u" (%1)"_s.arg(decimals);
    return call(u"number %1,%2 %3"_s.arg(row).arg(column).arg(value) + format) &&
           !failing.contains(u"cells"_s);
  }
  QString lastError() const override { return {}; }
};

struct NoClipboard : Clipboard {
  void clear() override {}
  bool setText(const QString&) override { return true; }
};

QStringList without(const QStringList& log, const QString& prefix) {
  QStringList kept;
  for (const QString& l : log) {
    if (!l.startsWith(prefix)) {
      kept << l;
    }
  }
  return kept;
}

// The calls that start and keep the link, without the cells written.
QStringList linkCalls(const QStringList& log) {
  return without(without(log, u"text"_s), u"number"_s);
}

}  // namespace

class TestSpreadsheetLink : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void startOrder_data();
  void startOrder();
  void rowsAndTypedCells();
  void rowsGoOnAcrossDestinations();
  void noSpreadsheetApplication();
  void linkThatCannotStartKeepsRowOne();
  void brokenLinkIsToldAndStartedAgain();
  void lastRowDoesNotOverflow();
  void givingUpTheStartWritesNothing();

 private:
  SpreadsheetLink::Factory factory(QSet<QString> failing = {});

  QStringList m_log;
  Selections m_selections;
  int m_made = 0;
};

void TestSpreadsheetLink::init() {
  m_log.clear();
  m_selections = Selections{};
  m_made = 0;
}

SpreadsheetLink::Factory TestSpreadsheetLink::factory(QSet<QString> failing) {
  return [this, failing]() -> std::unique_ptr<SpreadsheetAutomation> {
    ++m_made;
    auto fake = std::make_unique<FakeAutomation>(&m_log);
    fake->failing = failing;
    return fake;
  };
}

void TestSpreadsheetLink::startOrder_data() {
  QTest::addColumn<QStringList>("failing");
  QTest::addColumn<QStringList>("calls");
  QTest::newRow("attached, with an open workbook")
      << QStringList{} << QStringList{u"attach"_s, u"activeWorkbook"_s, u"addSheet"_s};
  QTest::newRow("attached, no workbook open")
      << QStringList{u"activeWorkbook"_s, u"addSheet"_s}
      << QStringList{u"attach"_s, u"activeWorkbook"_s, u"addSheet"_s, u"addWorkbook"_s,
                     u"activeSheet"_s};
  // A failed attach counts as an error even when everything after it works.
  QTest::newRow("nothing running")
      << QStringList{u"attach"_s}
      << QStringList{u"attach"_s,   u"create"_s,      u"visible"_s,    u"activeWorkbook"_s,
                     u"addSheet"_s, u"addWorkbook"_s, u"activeSheet"_s};
}

void TestSpreadsheetLink::startOrder() {
  QFETCH(QStringList, failing);
  QFETCH(QStringList, calls);
  SpreadsheetLink link(m_selections, factory(QSet<QString>(failing.begin(), failing.end())));
  QVERIFY(!link.send(samplePoint(u"P"_s)));
  QCOMPARE(linkCalls(m_log), calls);
  m_log.clear();
  QVERIFY(!link.send(samplePoint(u"P"_s)));
  QCOMPARE(linkCalls(m_log), QStringList{});  // started once only
}

void TestSpreadsheetLink::rowsAndTypedCells() {
  SpreadsheetLink link(m_selections, factory());
  QVERIFY(!link.send(samplePoint(u"P1"_s)));
  QVERIFY(!link.send(sampleLine()));
  QVERIFY(!link.send(samplePoint(QString(), u"100"_s, u"1E+15"_s)));
  QVERIFY(!link.send(samplePoint(u"=1+1"_s, u"abc"_s)));
  const QStringList cells = without(without(without(m_log, u"attach"_s), u"active"_s), u"add"_s);
  // Keyword and comment are always texts, converted positions numbers with
  // the decimals their text has, the length a plain number.
  QCOMPARE(cells, (QStringList{u"text 1,1 点"_s, u"text 1,2 P1"_s, u"number 1,3 199.99 (2)"_s,
                               u"number 1,4 212.5 (2)"_s, u"text 2,1 線"_s, u"text 2,2 A-1"_s,
                               u"number 2,3 10 (2)"_s, u"number 2,4 10 (2)"_s,
                               u"number 2,5 40 (2)"_s, u"number 2,6 50 (2)"_s, u"number 2,7 50"_s,
                               u"text 3,1 点"_s, u"text 3,2 "_s, u"number 3,3 100 (0)"_s,
                               u"number 3,4 1e+15"_s, u"text 4,1 点"_s, u"text 4,2 =1+1"_s,
                               u"text 4,3 abc"_s, u"number 4,4 212.5 (2)"_s}));
  QCOMPARE(m_selections.outputRow, qint16(5));
}

void TestSpreadsheetLink::rowsGoOnAcrossDestinations() {
  QTemporaryDir dir;
  NoClipboard clipboard;
  const CoordinateFile file(dir.path());
  SpreadsheetLink link(m_selections, factory());
  Destinations destinations(m_selections, clipboard, file, &link);
  m_selections.destination = destination::kSpreadsheet;
  QVERIFY(!destinations.send(samplePoint(u"1"_s)).problem);
  m_selections.destination = destination::kFile;
  QVERIFY(!destinations.send(samplePoint(u"file"_s)).problem);
  m_selections.destination = destination::kNone;
  QVERIFY(!destinations.send(samplePoint(u"none"_s)).problem);
  m_selections.destination = destination::kSpreadsheet;
  QVERIFY(!destinations.send(samplePoint(u"2"_s)).problem);
  QVERIFY(m_log.contains(u"text 2,2 2"_s));
  QCOMPARE(m_log.count(u"attach"_s), 1);
  QCOMPARE(m_selections.outputRow, qint16(3));
}

void TestSpreadsheetLink::noSpreadsheetApplication() {
  SpreadsheetLink link(m_selections, [] { return nullptr; });
  const auto told = link.send(samplePoint(u"P"_s));
  QVERIFY(told && told->contains(u"LibreOffice Calc"_s));
  QCOMPARE(m_selections.outputRow, qint16(1));
}

void TestSpreadsheetLink::linkThatCannotStartKeepsRowOne() {
  SpreadsheetLink link(m_selections,
                       factory({u"attach"_s, u"create"_s, u"addWorkbook"_s, u"activeSheet"_s,
                                u"activeWorkbook"_s, u"addSheet"_s, u"visible"_s}));
  const auto told = link.send(samplePoint(u"P"_s));
  QVERIFY(told && told->contains(u"接続できませんでした"_s));
  QCOMPARE(m_selections.outputRow, qint16(1));
  QVERIFY(linkCalls(m_log) == m_log);  // nothing written
  m_log.clear();
  QVERIFY(link.send(samplePoint(u"P"_s)).has_value());
  QCOMPARE(m_log.first(), u"attach"_s);  // tried again
  QCOMPARE(m_made, 1);
}

void TestSpreadsheetLink::brokenLinkIsToldAndStartedAgain() {
  QStringList* log = &m_log;
  FakeAutomation* fake = nullptr;
  SpreadsheetLink link(m_selections, [&]() -> std::unique_ptr<SpreadsheetAutomation> {
    auto made = std::make_unique<FakeAutomation>(log);
    fake = made.get();
    return made;
  });
  QVERIFY(!link.send(samplePoint(u"1"_s)));
  QVERIFY(!link.send(samplePoint(u"2"_s)));
  fake->failing = {u"cells"_s};  // the user closed the document
  const auto told = link.send(samplePoint(u"3"_s));
  QVERIFY(told && told->contains(u"書き込めませんでした"_s));
  fake->failing.clear();
  m_log.clear();
  QVERIFY(!link.send(samplePoint(u"4"_s)));
  QCOMPARE(m_log.first(), u"attach"_s);
  QVERIFY(m_log.contains(u"text 1,2 4"_s));  // a new sheet, from row 1
  QCOMPARE(m_selections.outputRow, qint16(2));
}

void TestSpreadsheetLink::lastRowDoesNotOverflow() {
  SpreadsheetLink link(m_selections, factory());
  QVERIFY(!link.send(samplePoint(u"first"_s)));
  m_selections.outputRow = 32767;
  QVERIFY(!link.send(samplePoint(u"last"_s)));
  QVERIFY(m_log.contains(u"text 32767,2 last"_s));
  QCOMPARE(m_selections.outputRow, qint16(32767));
  m_log.clear();
  const auto told = link.send(samplePoint(u"beyond"_s));
  QVERIFY(told && told->contains(u"32767 行目まで"_s));
  QVERIFY(m_log.isEmpty());
}

void TestSpreadsheetLink::givingUpTheStartWritesNothing() {
  SpreadsheetLink link(m_selections, factory({u"attach, interrupted"_s}));
  bool cancel = true;
  link.setStartRunner([&](const std::function<bool()>& start,
                          const std::function<void()>& interrupt) -> std::optional<bool> {
    if (!cancel) {
      return start();
    }
    interrupt();  // the user pressed キャンセル while the start was waiting
    start();
    return std::nullopt;
  });
  const auto told = link.send(samplePoint(u"P"_s));
  QVERIFY(told && told->contains(u"取り消しました"_s));
  QCOMPARE(m_log, QStringList{u"attach, interrupted"_s});  // nothing asked after that
  QCOMPARE(m_selections.outputRow, qint16(1));
  // The next record starts the link again, this time to the end.
  cancel = false;
  m_log.clear();
  QVERIFY(!link.send(samplePoint(u"P"_s)));
  QCOMPARE(m_log.first(), u"attach"_s);
  QVERIFY(m_log.contains(u"text 1,2 P"_s));
  QCOMPARE(m_selections.outputRow, qint16(2));
}

QTEST_APPLESS_MAIN(TestSpreadsheetLink)
#include "tst_spreadsheetlink.moc"

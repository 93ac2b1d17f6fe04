// Against a real LibreOffice Calc, started and ended by this test itself:
// headless, with a throwaway profile, HOME and TMPDIR, on a pipe of its own.
#include "../Resident.h"
#include "../SampleRecords.h"
#include "../ui/ScriptedWindow.h"
#include "CalcModule.h"
#include "CanvasWidget.h"
#include "Clipboard.h"
#include "CoordinateFile.h"
#include "Destinations.h"
#include "Record.h"
#include "Selections.h"
#include "SpreadsheetLink.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QThread>
#include <csignal>
#include <thread>

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;
using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

OUString toOu(const QString& s) {
  return OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), s.size());
}
QString fromOu(const OUString& s) {
  return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

}  // namespace

// Records go to the sheet; a clipboard that takes anything stands by.
struct NoClipboard : Clipboard {
  void clear() override {}
  bool setText(const QString&) override { return true; }
};

class TestCalc : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void cancelledStartLeavesNoOffice();
  void newOfficeGetsRowsOneToThree();
  void runningOfficeWithAWorkbookGetsANewSheet();
  void officeKilledMidRunIsToldAndStartedAgain();
  void tenThousandRows();
  void tenThousandTakenBackAndWrittenAgain();
  void closedDocumentIsToldAndStartedAgain();
  void cellsFilledInSinceAreNeverWiped();
  void wholeSessionThroughTheWindow();
  void shapesOfSeveralClicksThroughTheWindow();

 private:
  CalcOptions options() const;
  SpreadsheetLink::Factory factory() const;
  QList<qint64> ourOffices() const;
  void killOffices();
  Reference<css::frame::XDesktop2> desktop();
  Reference<css::sheet::XSpreadsheet> activeSheet();
  QString text(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column);
  double number(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column);
  // A number cell as Calc shows it, or "<not a number>".
  QString shown(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column);
  // Compares a row with cells written as "t:text", "n:shown number",
  // "v:value", or "" for an empty cell.
  void compareRow(const Reference<css::sheet::XSpreadsheet>& sheet, int row,
                  const QStringList& cells);

  QTemporaryDir m_dir;
  QString m_pipe;
};

CalcOptions TestCalc::options() const {
  CalcOptions o;
  o.pipeName = m_pipe;
  o.officeArguments = {u"--headless"_s,
                       u"-env:UserInstallation=file://%1"_s.arg(m_dir.filePath(u"profile"_s))};
  o.environment = {u"HOME="_s + m_dir.filePath(u"home"_s), u"TMPDIR="_s + m_dir.filePath(u"tmp"_s)};
  return o;
}

SpreadsheetLink::Factory TestCalc::factory() const {
  const CalcOptions o = options();
  return [o] { return loadCalcAutomation(QStringLiteral(KOORDEL_CALC_MODULE), o); };
}

void TestCalc::initTestCase() {
  std::signal(SIGPIPE, SIG_IGN);
  QVERIFY(m_dir.isValid());
  QVERIFY(QDir(m_dir.path()).mkpath(u"home"_s));
  QVERIFY(QDir(m_dir.path()).mkpath(u"tmp"_s));
  m_pipe = u"koordel-test-%1"_s.arg(QCoreApplication::applicationPid());
  QVERIFY2(QFile::exists(QStringLiteral(KOORDEL_CALC_MODULE)), KOORDEL_CALC_MODULE);
  QVERIFY2(ourOffices().isEmpty(), "an office of this test's profile is still running");
}

void TestCalc::cleanupTestCase() {
  killOffices();
}

// Every process, launcher and office, started with this test's profile.
QList<qint64> TestCalc::ourOffices() const {
  QList<qint64> pids;
  const QByteArray profile = m_dir.filePath(u"profile"_s).toUtf8();
  for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool ok = false;
    const qint64 pid = entry.toLongLong(&ok);
    QFile cmdline(u"/proc/%1/cmdline"_s.arg(entry));
    if (ok && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(profile)) {
      pids << pid;
    }
  }
  return pids;
}

void TestCalc::killOffices() {
  for (qint64 pid : ourOffices()) {
    ::kill(static_cast<pid_t>(pid), SIGKILL);
  }
  QElapsedTimer clock;
  clock.start();
  while (!ourOffices().isEmpty() && clock.elapsed() < 5000) {
    QThread::msleep(50);
  }
}

Reference<css::frame::XDesktop2> TestCalc::desktop() {
  static Reference<css::uno::XComponentContext> local = [] {
    OUString more;
    if (!rtl::Bootstrap::get(OUString("URE_MORE_TYPES"), more)) {
      rtl::Bootstrap::set(OUString("URE_MORE_TYPES"),
                          OUString("file:///usr/lib/libreoffice/program/types/offapi.rdb"));
    }
    return cppu::defaultBootstrap_InitialComponentContext();
  }();
  Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
  Reference<css::uno::XComponentContext> office(
      resolver->resolve(toOu(u"uno:pipe,name=%1;urp;StarOffice.ComponentContext"_s.arg(m_pipe))),
      UNO_QUERY_THROW);
  return css::frame::Desktop::create(office);
}

Reference<css::sheet::XSpreadsheet> TestCalc::activeSheet() {
  Reference<css::frame::XModel> model(desktop()->getCurrentComponent(), UNO_QUERY_THROW);
  Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY_THROW);
  return view->getActiveSheet();
}

QString TestCalc::text(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column) {
  Reference<css::table::XCell> cell = sheet->getCellByPosition(column - 1, row - 1);
  if (cell->getType() != css::table::CellContentType_TEXT) {
    return u"<not text>"_s;
  }
  return fromOu(Reference<css::text::XText>(cell, UNO_QUERY_THROW)->getString());
}

double TestCalc::number(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column) {
  Reference<css::table::XCell> cell = sheet->getCellByPosition(column - 1, row - 1);
  return cell->getType() == css::table::CellContentType_VALUE ? cell->getValue() : -1;
}

QString TestCalc::shown(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int column) {
  Reference<css::table::XCell> cell = sheet->getCellByPosition(column - 1, row - 1);
  if (cell->getType() != css::table::CellContentType_VALUE) {
    return u"<not a number>"_s;
  }
  return fromOu(Reference<css::text::XText>(cell, UNO_QUERY_THROW)->getString());
}

void TestCalc::compareRow(const Reference<css::sheet::XSpreadsheet>& sheet, int row,
                          const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) {
    const QString kind = cells.at(c).left(2);
    const QString value = cells.at(c).mid(2);
    if (kind == u"v:"_s) {
      QCOMPARE(number(sheet, row, c + 1), value.toDouble());
    } else if (kind == u"n:"_s) {
      QCOMPARE(shown(sheet, row, c + 1), value);
      QCOMPARE(number(sheet, row, c + 1), value.toDouble());
    } else if (kind == u"t:"_s) {
      QCOMPARE(text(sheet, row, c + 1), value);
    } else {
      const auto type = sheet->getCellByPosition(c, row - 1)->getType();
      QCOMPARE(int(type), int(css::table::CellContentType_EMPTY));
    }
  }
  QCOMPARE(text(sheet, row, cells.size() + 1), u"<not text>"_s);  // nothing more
}

// The user gives up while the office is starting: Koordel stops waiting, the
// office it started goes away again, and the next record starts afresh.
void TestCalc::cancelledStartLeavesNoOffice() {
  Selections selections;
  SpreadsheetLink link(selections, factory());
  link.setStartRunner([this](const std::function<bool()>& start,
                             const std::function<void()>& interrupt) -> std::optional<bool> {
    std::thread worker([&] { start(); });
    QElapsedTimer clock;
    clock.start();
    while (ourOffices().isEmpty() && clock.elapsed() < 10000) {
      QThread::msleep(20);
    }
    interrupt();
    worker.join();
    return std::nullopt;
  });
  const auto told = link.send(samplePoint(u"never"_s));
  QVERIFY(told && told->contains(u"取り消しました"_s));
  QCOMPARE(selections.outputRow, qint16(1));
  QElapsedTimer clock;
  clock.start();
  while (!ourOffices().isEmpty() && clock.elapsed() < 15000) {
    QThread::msleep(100);
  }
  QVERIFY2(ourOffices().isEmpty(), "the office started for the cancelled link is still running");
}

void TestCalc::newOfficeGetsRowsOneToThree() {
  Selections selections;
  SpreadsheetLink link(selections, factory());
  QCOMPARE(link.send(samplePoint(u"P1"_s)).value_or(QString()), QString());
  QVERIFY(!ourOffices().isEmpty());
  QCOMPARE(link.send(sampleLine()).value_or(QString()), QString());
  // Comments arrive as the literal text, never as a formula or a number.
  const QStringList comments = {u"00123"_s, u"=1+1"_s, u"@SUM(A1)"_s,
                                u"=WEBSERVICE(\"http://localhost:9/\")"_s, QString()};
  for (const QString& comment : comments) {
    QCOMPARE(link.send(samplePoint(comment, u"-2248.00"_s, u"100"_s)).value_or(QString()),
             QString());
  }
  QCOMPARE(selections.outputRow, qint16(3 + comments.size()));

  try {
    const Reference<css::sheet::XSpreadsheet> sheet = activeSheet();
    // Converted positions are numbers, shown with the decimals they carry.
    compareRow(sheet, 1, {u"t:点"_s, u"t:P1"_s, u"n:199.99"_s, u"n:212.50"_s});
    compareRow(
        sheet, 2,
        {u"t:線"_s, u"t:A-1"_s, u"n:10.00"_s, u"n:10.00"_s, u"n:40.00"_s, u"n:50.00"_s, u"v:50"_s});
    for (int i = 0; i < comments.size(); ++i) {
      // An empty comment leaves its cell empty.
      const QString comment = comments.at(i).isEmpty() ? QString() : u"t:"_s + comments.at(i);
      compareRow(sheet, 3 + i, {u"t:点"_s, comment, u"n:-2248.00"_s, u"n:100"_s});
    }
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

void TestCalc::runningOfficeWithAWorkbookGetsANewSheet() {
  QVERIFY(!ourOffices().isEmpty());  // the office of the test before
  Reference<css::sheet::XSpreadsheetDocument> document;
  try {
    Reference<css::frame::XComponentLoader> loader(desktop(), UNO_QUERY_THROW);
    document.set(
        loader->loadComponentFromURL(OUString("private:factory/scalc"), OUString("_blank"), 0, {}),
        UNO_QUERY_THROW);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
  const qsizetype offices = ourOffices().size();
  Selections selections;
  SpreadsheetLink link(selections, factory());
  QCOMPARE(link.send(samplePoint(u"attached"_s)).value_or(QString()), QString());
  QCOMPARE(ourOffices().size(), offices);  // attached, nothing new started
  try {
    QVERIFY(document->getSheets()->hasByName(OUString("Koordel")));
    Reference<css::sheet::XSpreadsheet> sheet(document->getSheets()->getByName(OUString("Koordel")),
                                              UNO_QUERY_THROW);
    QCOMPARE(text(sheet, 1, 2), u"attached"_s);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

void TestCalc::officeKilledMidRunIsToldAndStartedAgain() {
  Selections selections;
  SpreadsheetLink link(selections, factory());
  QCOMPARE(link.send(samplePoint(u"before"_s)).value_or(QString()), QString());
  QCOMPARE(selections.outputRow, qint16(2));
  killOffices();
  const std::optional<QString> told = link.send(samplePoint(u"lost"_s));
  QVERIFY(told.has_value());
  QVERIFY2(told->contains(u"書き込めませんでした"_s), qPrintable(*told));
  // The next record starts a new office and a new sheet, from row 1.
  QCOMPARE(link.send(samplePoint(u"after"_s)).value_or(QString()), QString());
  QCOMPARE(selections.outputRow, qint16(2));
  try {
    QCOMPARE(text(activeSheet(), 1, 2), u"after"_s);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

// No row lost or doubled, and nothing of ours growing with the rows.
void TestCalc::tenThousandRows() {
  constexpr int kRows = 10000;
  Selections selections;
  SpreadsheetLink link(selections, factory());
  qint64 afterWarmUp = 0;
  for (int i = 1; i <= kRows; ++i) {
    if (i == 1000) {
      afterWarmUp = residentKiB();
    }
    const auto told = link.send(samplePoint(QString::number(i)));
    QVERIFY2(!told, qPrintable(told.value_or(QString())));
  }
  const qint64 atEnd = residentKiB();
  qInfo("resident memory after 1000 rows: %lld KiB, after %d: %lld KiB", afterWarmUp, kRows, atEnd);
  if (kResidentMemoryMeansLeaks) {
    QVERIFY(atEnd <= afterWarmUp * 105 / 100);
  }
  QCOMPARE(selections.outputRow, qint16(kRows + 1));
  try {
    const Reference<css::sheet::XSpreadsheet> sheet = activeSheet();
    QCOMPARE(text(sheet, 1, 2), u"1"_s);
    QCOMPARE(text(sheet, 5000, 2), u"5000"_s);
    QCOMPARE(text(sheet, kRows, 2), QString::number(kRows));
    QCOMPARE(text(sheet, kRows + 1, 1), u"<not text>"_s);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

// Ten thousand records into a real sheet, all taken back, all written
// again: the sheet is cell for cell what the records left.
void TestCalc::tenThousandTakenBackAndWrittenAgain() {
  constexpr int kRows = 10000;
  NoClipboard clipboard;
  QTemporaryDir folder;
  const CoordinateFile file(folder.path());
  Selections selections;
  selections.destination = destination::kSpreadsheet;
  SpreadsheetLink link(selections, factory());
  Destinations destinations(selections, clipboard, file, &link);
  std::vector<std::unique_ptr<Delivery>> deliveries;
  for (int i = 1; i <= kRows; ++i) {
    Sent sent = destinations.send(samplePoint(QString::number(i), u"%1.25"_s.arg(i)));
    QVERIFY2(!sent.problem, qPrintable(sent.problem.value_or(QString())));
    deliveries.push_back(std::move(sent.delivery));
  }
  const auto everything = [this] {
    Reference<css::sheet::XCellRangeData> range(
        activeSheet()->getCellRangeByName(OUString("A1:E10001")), UNO_QUERY_THROW);
    QStringList cells;
    for (const auto& row : range->getDataArray()) {
      for (const css::uno::Any& cell : row) {
        double number = 0;
        OUString text;
        cells << ((cell >>= number) ? QString::number(number, 'g', 17)
                                    : ((cell >>= text) ? fromOu(text) : u"?"_s));
      }
    }
    return cells;
  };
  try {
    const QStringList written = everything();
    QCOMPARE(written.mid(0, 5), (QStringList{u"点"_s, u"1"_s, u"1.25"_s, u"212.5"_s, QString()}));
    for (int i = kRows - 1; i >= 0; --i) {
      const Delivery::Result back = deliveries.at(static_cast<std::size_t>(i))->takeBack();
      QVERIFY2(back.outcome == Delivery::Outcome::Done, qPrintable(back.message));
    }
    QCOMPARE(selections.outputRow, qint16(1));
    QCOMPARE(everything().mid(0, 5),
             (QStringList{QString(), QString(), QString(), QString(), QString()}));
    for (int i = 0; i < kRows; ++i) {
      const Delivery::Result again = deliveries.at(static_cast<std::size_t>(i))->deliverAgain();
      QVERIFY2(again.outcome == Delivery::Outcome::Done, qPrintable(again.message));
    }
    QCOMPARE(selections.outputRow, qint16(kRows + 1));
    QCOMPARE(everything(), written);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

// Undo clears a row only while it holds what was written, and redo writes
// only into a row still empty: a formula the user put in a cell Koordel left
// empty (showing "" or an error) or anything typed into the row since stays.
void TestCalc::cellsFilledInSinceAreNeverWiped() {
  NoClipboard clipboard;
  QTemporaryDir folder;
  const CoordinateFile file(folder.path());
  Selections selections;
  selections.destination = destination::kSpreadsheet;
  SpreadsheetLink link(selections, factory());
  Destinations destinations(selections, clipboard, file, &link);
  Sent sent = destinations.send(samplePoint(QString(), u"1.25"_s));
  QVERIFY2(!sent.problem, qPrintable(sent.problem.value_or(QString())));
  try {
    const Reference<css::sheet::XSpreadsheet> sheet = activeSheet();
    const auto cell = [&](int column) { return sheet->getCellByPosition(column - 1, 0); };
    for (const char* formula : {"=\"\"", "=1/0", "=NA()"}) {
      cell(2)->setFormula(OUString::createFromAscii(formula));
      const Delivery::Result back = sent.delivery->takeBack();
      QVERIFY2(back.outcome == Delivery::Outcome::Refused, formula);
      QCOMPARE(fromOu(cell(2)->getFormula()), QString::fromLatin1(formula));
      QCOMPARE(text(sheet, 1, 1), u"点"_s);
    }
    cell(2)->setFormula(OUString());
    QCOMPARE(int(cell(2)->getType()), int(css::table::CellContentType_EMPTY));
    QVERIFY(sent.delivery->takeBack().outcome == Delivery::Outcome::Done);
    QCOMPARE(int(cell(1)->getType()), int(css::table::CellContentType_EMPTY));

    // Something typed into the row since: redo leaves it as it is.
    for (const auto& [column, content] : {std::pair{3, "=2+2"}, std::pair{4, "note"}}) {
      cell(column)->setFormula(OUString::createFromAscii(content));
      const Delivery::Result again = sent.delivery->deliverAgain();
      QVERIFY2(again.outcome == Delivery::Outcome::Refused, content);
      QCOMPARE(fromOu(cell(column)->getFormula()), QString::fromLatin1(content));
      QCOMPARE(int(cell(1)->getType()), int(css::table::CellContentType_EMPTY));
      cell(column)->setFormula(OUString());
    }
    QVERIFY(sent.delivery->deliverAgain().outcome == Delivery::Outcome::Done);
    compareRow(sheet, 1, {u"t:点"_s, QString(), u"n:1.25"_s, u"n:212.50"_s});
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

void TestCalc::closedDocumentIsToldAndStartedAgain() {
  Selections selections;
  SpreadsheetLink link(selections, factory());
  QCOMPARE(link.send(samplePoint(u"open"_s)).value_or(QString()), QString());
  try {
    Reference<css::util::XCloseable> document(desktop()->getCurrentComponent(), UNO_QUERY_THROW);
    document->close(true);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
  const std::optional<QString> told = link.send(samplePoint(u"closed"_s));
  QVERIFY(told && told->contains(u"書き込めませんでした"_s));
  QCOMPARE(link.send(samplePoint(u"again"_s)).value_or(QString()), QString());
  try {
    QCOMPARE(text(activeSheet(), 1, 2), u"again"_s);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

// The user's road with エクセルに送る: calibrate, capture every shape, save and
// load the calibration, capture again; the rows read back from Calc.
void TestCalc::wholeSessionThroughTheWindow() {
  ScriptedWindow scripted;
  MainWindow& window = scripted.window;
  window.spreadsheetLink().setFactory(factory());
  FakePrompts* answers = scripted.prompts;
  ScriptedFileDialog* names = scripted.files;
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  CanvasWidget* canvas = window.canvas();
  const auto drag = [&](QPoint from, QPoint to) {
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
  };
  const auto choose = [&](const QString& family, int index) { scripted.choose(family, index); };
  drag(QPoint(100, 400), QPoint(196, 208));
  answers->answers = {u"100"_s, u"50"_s};
  window.findChild<QAction*>(u"E12"_s)->trigger();
  drag(QPoint(100, 150), QPoint(100, 150));
  answers->answers = {u"100"_s, u"200"_s};
  window.findChild<QAction*>(u"E11"_s)->trigger();
  QTest::keyClicks(window.commentBox(), u"S-1"_s);
  choose(u"B11"_s, 3);  // エクセルに送る

  const auto captureAll = [&] {
    choose(u"C11"_s, 1);
    drag(QPoint(200, 150), QPoint(200, 150));
    choose(u"C11"_s, 2);
    drag(QPoint(100, 100), QPoint(196, 100));
    choose(u"C11"_s, 3);
    drag(QPoint(300, 300), QPoint(300, 396));
    choose(u"C11"_s, 4);
    drag(QPoint(400, 100), QPoint(500, 200));
  };
  captureAll();
  QCOMPARE(window.selections().outputRow, qint16(5));
  names->answers = {m_dir.filePath(u"calib"_s)};
  window.findChild<QAction*>(u"A12"_s)->trigger();
  window.valueSheet().setText(Field::x軸係数, u"3"_s);
  names->answers = {m_dir.filePath(u"calib.set"_s)};
  window.findChild<QAction*>(u"A13"_s)->trigger();
  captureAll();
  QCOMPARE(window.selections().outputRow, qint16(9));

  try {
    const Reference<css::sheet::XSpreadsheet> sheet = activeSheet();
    const QStringList expected[] = {
        {u"t:点"_s, u"t:S-1"_s, u"n:204.16"_s, u"n:200.00"_s},
        {u"t:線"_s, u"t:S-1"_s, u"n:100.00"_s, u"n:213.02"_s, u"n:199.99"_s, u"n:213.02"_s,
         u"v:99.99"_s},
        {u"t:円"_s, u"t:S-1"_s, u"n:308.32"_s, u"n:160.94"_s, u"v:25"_s},
        {u"t:四角"_s, u"t:S-1"_s, u"n:412.48"_s, u"n:213.02"_s, u"n:412.48"_s, u"n:186.98"_s,
         u"n:516.64"_s, u"n:186.98"_s, u"n:516.64"_s, u"n:213.02"_s},
    };
    for (int pass = 0; pass < 2; ++pass) {
      for (int r = 0; r < 4; ++r) {
        compareRow(sheet, 1 + pass * 4 + r, expected[r]);
      }
    }
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

// One row per shape, every measure a number cell, as many columns as the
// record has; a row holds as many columns as the link allows.
void TestCalc::shapesOfSeveralClicksThroughTheWindow() {
  ScriptedWindow scripted;
  MainWindow& window = scripted.window;
  window.spreadsheetLink().setFactory(factory());
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  ValueSheet& sheet = window.valueSheet();
  for (const auto& [field, text] :
       {std::pair{Field::基準値X, u"150"_s}, std::pair{Field::基準値Y, u"6000"_s},
        std::pair{Field::指定基準X, u"0"_s}, std::pair{Field::指定基準Y, u"0"_s},
        std::pair{Field::x軸係数, u"0.01000"_s}, std::pair{Field::Y軸係数, u"0.01000"_s}}) {
    sheet.setText(field, text);
  }
  QTest::keyClicks(window.commentBox(), u"C"_s);
  scripted.choose(u"B11"_s, 3);  // エクセルに送る
  const auto click = [&](QPointF twips) {
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, twips / 15, window.canvas()->mapToGlobal(twips / 15), Qt::LeftButton,
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
      QApplication::sendEvent(window.canvas(), &event);
    }
  };
  const QPointF a(150, 6000), b(450, 6000), c(150, 5600);
  for (const QString& shape : {u"折れ線"_s, u"多角形"_s, u"角度"_s}) {
    window.findChild<QAction*>(shape)->trigger();
    for (const QPointF& at : {b, a, c}) {
      click(at);
    }
    if (shape != u"角度"_s) {
      QTest::keyClick(window.commentBox(), Qt::Key_Return);
    }
  }
  QCOMPARE(window.selections().outputRow, qint16(4));
  try {
    const Reference<css::sheet::XSpreadsheet> calc = activeSheet();
    const QStringList vertices = {u"n:3.00"_s, u"n:0.00"_s, u"n:0.00"_s,
                                  u"n:0.00"_s, u"n:0.00"_s, u"n:4.00"_s};
    compareRow(calc, 1, QStringList{u"t:折れ線"_s, u"t:C"_s} + vertices + QStringList{u"n:7.00"_s});
    compareRow(
        calc, 2,
        QStringList{u"t:多角形"_s, u"t:C"_s} + vertices + QStringList{u"n:12.00"_s, u"n:6.00"_s});
    compareRow(calc, 3, QStringList{u"t:角度"_s, u"t:C"_s} + vertices + QStringList{u"n:90.00"_s});
    const auto columns =
        Reference<css::table::XColumnRowRange>(calc, UNO_QUERY_THROW)->getColumns();
    QVERIFY(columns->getCount() >= SpreadsheetLink::kMostColumns);
  } catch (const css::uno::Exception& e) {
    QFAIL(qPrintable(fromOu(e.Message)));
  }
}

QTEST_MAIN(TestCalc)
#include "tst_calc.moc"

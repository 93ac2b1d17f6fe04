#include "CanvasWidget.h"
#include "LineStyleDialog.h"
#include "MainWindow.h"
#include "ModalAnswer.h"
#include "SpreadsheetAutomation.h"
#include "SpreadsheetLink.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

QByteArray sjis(const char* hex) {
  return QByteArray::fromHex(hex);
}

// A spreadsheet application that never comes up: attaching waits until the
// user gives up. Counts the cells anyone tries to write.
struct NeverStarting : SpreadsheetAutomation {
  std::atomic<int>* cells;
  explicit NeverStarting(std::atomic<int>* c) : cells(c) {}
  bool attach() override {
    while (!interrupted()) {
      QThread::msleep(5);
    }
    return false;
  }
  bool create() override { return false; }
  bool makeVisible() override { return false; }
  bool activeWorkbook() override { return false; }
  bool addSheet() override { return false; }
  bool addWorkbook() override { return false; }
  bool activeSheet() override { return false; }
  bool setText(int, int, const QString&) override { return ++*cells, true; }
  bool setNumber(int, int, double, int) override { return ++*cells, true; }
  QString lastError() const override { return {}; }
};

}  // namespace

// The whole road of a capture through the real main window: menus, comment,
// a gesture on Picture1, the drawing, and the record where it was sent.
class TestCapture : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void lineToTheCoordinateFile();
  void workedExamplesToTheCoordinateFile_data();
  void workedExamplesToTheCoordinateFile();
  void gestureRightAfterStartDrawsNothing();
  void pointsToTheClipboard();
  void defaultStyleDrawsThinBlackOutlines();
  void styleChosenInTheDialogIsUsedAtTheNextRelease();
  void badWidthIsToldAndNothingIsWritten();
  void spreadsheetStartCanBeCancelled();
  void recordThatCannotGoLeavesNoShape_data();
  void recordThatCannotGoLeavesNoShape();

 private:
  void choose(const QString& family, int index);
  void drag(QPoint from, QPoint to);
  // A press and a release at positions given in twips, between pixels as a
  // real pointer may deliver them.
  void dragTwips(QPointF from, QPointF to);
  QByteArray file() const;

  std::unique_ptr<QTemporaryDir> m_dir;
  MainWindow* m_window = nullptr;
  QStringList m_told;
  QTimer m_answerer;
};

void TestCapture::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_window = new MainWindow;
  m_window->setCoordinateFolder(m_dir->path());
  m_window->show();
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
  m_told.clear();
  connect(&m_answerer, &QTimer::timeout, this, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      m_told << box->text();
      box->accept();
    }
  });
  m_answerer.start(10);
}

void TestCapture::cleanup() {
  m_answerer.stop();
  disconnect(&m_answerer, nullptr, this, nullptr);
  delete m_window;
}

void TestCapture::choose(const QString& family, int index) {
  for (QAction* item : m_window->findChildren<QAction*>(family)) {
    if (item->data().toInt() == index) {
      item->trigger();
    }
  }
}

void TestCapture::drag(QPoint from, QPoint to) {
  CanvasWidget* canvas = m_window->canvas();
  QTest::mousePress(canvas, Qt::LeftButton, {}, from);
  QTest::mouseMove(canvas, to);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
}

void TestCapture::dragTwips(QPointF from, QPointF to) {
  CanvasWidget* canvas = m_window->canvas();
  for (const auto& [type, twips] :
       {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseButtonRelease, to}}) {
    const QPointF at = twips / 15;
    QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(canvas, &event);
  }
}

QByteArray TestCapture::file() const {
  QFile f(m_window->coordinateFile().path());
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestCapture::lineToTheCoordinateFile() {
  ValueSheet& sheet = m_window->valueSheet();
  sheet.setText(Field::基準値Y, u"10000"_s);
  sheet.setText(Field::基準値X, u"0"_s);
  sheet.setText(Field::指定基準X, u"0"_s);
  sheet.setText(Field::指定基準Y, u"0"_s);
  sheet.setText(Field::x軸係数, u"0.01000"_s);
  sheet.setText(Field::Y軸係数, u"0.01000"_s);
  choose(u"C11"_s, 2);  // 線
  choose(u"B11"_s, 2);  // ﾌｧｲﾙに書き込む
  QTest::keyClicks(m_window->commentBox(), u"A-1"_s);

  drag(QPoint(60, 600), QPoint(270, 330));  // (900, 9000) to (4050, 4950) twips
  QCOMPARE(file(), sjis("90fc") + ",A-1,9.00,10.00,40.50,50.50,51.31\r\n");
  // Drawn on the picture, from press to release.
  const QImage shown = m_window->canvas()->surface().composed(QRect(0, 0, 985, 601));
  QCOMPARE(shown.pixel(165, 465), qRgb(0, 0, 0));

  drag(QPoint(60, 600), QPoint(60, 600));
  QCOMPARE(file(), sjis("90fc") + ",A-1,9.00,10.00,40.50,50.50,51.31\r\n" + sjis("90fc") +
                       ",A-1,9.00,10.00,9.00,10.00,0\r\n");
  QVERIFY(m_told.isEmpty());
}

void TestCapture::workedExamplesToTheCoordinateFile_data() {
  QTest::addColumn<int>("shape");
  QTest::addColumn<QByteArray>("line");
  QTest::newRow("線") << 2 << sjis("90fc") + ",A-1,10.00,10.00,40.00,50.00,50\r\n";
  QTest::newRow("円") << 3 << sjis("897e") + ",A-1,10.00,10.00,50\r\n";
}

// Hundredths per twip about (0, 10000), comment A-1, a drag from (1000, 9000)
// to (4000, 5000) twips: the lines 座標.txt must hold, byte for byte.
void TestCapture::workedExamplesToTheCoordinateFile() {
  QFETCH(int, shape);
  QFETCH(QByteArray, line);
  ValueSheet& sheet = m_window->valueSheet();
  sheet.setText(Field::基準値X, u"0"_s);
  sheet.setText(Field::基準値Y, u"10000"_s);
  sheet.setText(Field::指定基準X, u"0"_s);
  sheet.setText(Field::指定基準Y, u"0"_s);
  sheet.setText(Field::x軸係数, u"0.01000"_s);
  sheet.setText(Field::Y軸係数, u"0.01000"_s);
  choose(u"C11"_s, shape);
  choose(u"B11"_s, 2);  // ﾌｧｲﾙに書き込む
  QTest::keyClicks(m_window->commentBox(), u"A-1"_s);
  dragTwips(QPointF(1000, 9000), QPointF(4000, 5000));
  QCOMPARE(file(), line);
  QVERIFY(m_told.isEmpty());
}

void TestCapture::gestureRightAfterStartDrawsNothing() {
  choose(u"B11"_s, 2);  // even with a destination: no shape is chosen yet
  drag(QPoint(10, 10), QPoint(100, 150));
  QCOMPARE(m_window->canvas()->surface().layer().tileCount(), 0);
  QVERIFY(file().isEmpty());
  QCOMPARE(m_window->valueSheet().text(Field::up座標x), u"1500"_s);
}

void TestCapture::pointsToTheClipboard() {
  choose(u"C11"_s, 1);  // 点
  choose(u"B11"_s, 1);  // クリップボードに送る
  QTest::keyClicks(m_window->commentBox(), u"P1"_s);
  drag(QPoint(10, 10), QPoint(100, 150));
  QCOMPARE(QGuiApplication::clipboard()->text(), u"点,P1,1500.00,-2248.00"_s);
  m_window->commentBox()->clear();
  drag(QPoint(10, 10), QPoint(20, 30));
  QCOMPARE(QGuiApplication::clipboard()->text(), u"点,,300.00,-448.00"_s);
  QVERIFY(file().isEmpty());
  QCOMPARE(m_window->selections().outputRow, qint16(1));
}

void TestCapture::defaultStyleDrawsThinBlackOutlines() {
  choose(u"C11"_s, 3);                       // 円
  drag(QPoint(100, 100), QPoint(130, 140));  // radius 50 pixels
  choose(u"C11"_s, 4);                       // 四角
  drag(QPoint(300, 300), QPoint(200, 250));
  choose(u"C11"_s, 1);  // 点: radius 3 twips, a dot
  drag(QPoint(500, 500), QPoint(500, 500));
  const QImage shown = m_window->canvas()->surface().composed(QRect(0, 0, 985, 601));
  QCOMPARE(shown.pixel(150, 100), qRgb(0, 0, 0));
  QCOMPARE(shown.pixel(100, 100), qRgb(255, 255, 255));  // unfilled
  QCOMPARE(shown.pixel(148, 100), qRgb(255, 255, 255));  // one pixel thin
  QCOMPARE(shown.pixel(200, 275), qRgb(0, 0, 0));
  QCOMPARE(shown.pixel(300, 250), qRgb(0, 0, 0));
  QCOMPARE(shown.pixel(250, 275), qRgb(255, 255, 255));
  QCOMPARE(shown.pixel(201, 275), qRgb(255, 255, 255));
  QCOMPARE(shown.pixel(500, 500), qRgb(0, 0, 0));
  QCOMPARE(shown.pixel(502, 500), qRgb(255, 255, 255));
  QVERIFY(file().isEmpty());  // nothing chosen to send to
}

void TestCapture::styleChosenInTheDialogIsUsedAtTheNextRelease() {
  LineStyleDialog* dialog = m_window->lineStyleDialog();
  dialog->findChild<QRadioButton*>(u"Option6"_s)->setChecked(true);  // no outline
  dialog->findChild<QRadioButton*>(u"Option8"_s)->setChecked(true);  // solid fill
  choose(u"C11"_s, 4);
  drag(QPoint(10, 10), QPoint(40, 40));
  QImage shown = m_window->canvas()->surface().composed(QRect(0, 0, 60, 60));
  QCOMPARE(shown.pixel(25, 25), qRgb(0, 0, 0));

  // A line leaves the fill as the box set it; a later circle uses the dialog's.
  dialog->findChild<QRadioButton*>(u"Option1"_s)->setChecked(true);
  dialog->findChild<QRadioButton*>(u"Option9"_s)->setChecked(true);
  choose(u"C11"_s, 2);
  drag(QPoint(100, 10), QPoint(140, 10));
  QCOMPARE(m_window->canvas()->surface().fillStyle(), 0);
  choose(u"C11"_s, 3);
  drag(QPoint(300, 300), QPoint(330, 300));
  QCOMPARE(m_window->canvas()->surface().fillStyle(), 1);
  shown = m_window->canvas()->surface().composed(QRect(0, 0, 400, 400));
  QCOMPARE(shown.pixel(300, 300), qRgb(255, 255, 255));
}

void TestCapture::badWidthIsToldAndNothingIsWritten() {
  m_window->lineStyle().widthText = u"0"_s;
  choose(u"C11"_s, 4);
  choose(u"B11"_s, 2);
  drag(QPoint(10, 10), QPoint(40, 40));
  QTRY_COMPARE(m_told.size(), 1);
  QVERIFY(m_told.at(0).contains(u"線の太さ「0」"_s));
  QVERIFY(file().isEmpty());
  QCOMPARE(m_window->canvas()->surface().layer().tileCount(), 0);
  // The release itself was recorded.
  QCOMPARE(m_window->valueSheet().text(Field::up座標x), u"600"_s);
}

// While Calc starts the window is drawn but takes no gesture; キャンセル gives
// up the start, and nothing is written anywhere.
void TestCapture::spreadsheetStartCanBeCancelled() {
  std::atomic<int> cells = 0;
  m_window->spreadsheetLink().setFactory([&] { return std::make_unique<NeverStarting>(&cells); });
  choose(u"C11"_s, 1);  // 点
  choose(u"B11"_s, 3);  // エクセルに送る
  QString shown;
  answerNextModal([&](QWidget* modal) {
    shown = modal->objectName() + u' ' + modal->findChild<QLabel*>()->text();
    // A click on the canvas through the window system does not get through.
    const QPoint onCanvas = m_window->canvas()->mapTo(m_window, QPoint(50, 50));
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, onCanvas);
    modal->findChild<QPushButton*>(u"Cancel"_s)->click();
  });
  drag(QPoint(10, 10), QPoint(20, 20));
  QCOMPARE(shown, u"StartProgress LibreOffice Calc を起動しています…"_s);
  QTRY_COMPARE(m_told.size(), 1);
  QVERIFY2(m_told.at(0).contains(u"取り消しました"_s), qPrintable(m_told.at(0)));
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"150"_s);
  QCOMPARE(m_window->selections().outputRow, qint16(1));
  QCOMPARE(cells.load(), 0);
  QVERIFY(!QApplication::activeModalWidget());
}

void TestCapture::recordThatCannotGoLeavesNoShape_data() {
  QTest::addColumn<int>("shape");
  QTest::addColumn<int>("destination");
  QTest::addColumn<QString>("comment");
  QTest::addColumn<bool>("fullDisk");
  QTest::addColumn<QString>("told");
  QTest::newRow("a comment Shift_JIS cannot hold")
      << 2 << 2 << u"caf\u00e9"_s << false << u"Shift_JIS で書けない文字（\u00e9）"_s;
  QTest::newRow("a full disk") << 4 << 2 << u"A-1"_s << true << u"ディスクの空きがありません。"_s;
  QTest::newRow("Calc gone") << 3 << 3 << u"A-1"_s << false << u"エクセルに送れません。"_s;
}

// A shape is never left on the picture without its record: what is known
// beforehand stops the capture before anything is drawn, and a send that
// fails takes the shape off again. Nothing is left to take back either.
void TestCapture::recordThatCannotGoLeavesNoShape() {
  QFETCH(int, shape);
  QFETCH(int, destination);
  QFETCH(QString, comment);
  QFETCH(bool, fullDisk);
  QFETCH(QString, told);
  if (fullDisk) {
    QVERIFY(QFile::link(u"/dev/full"_s, m_window->coordinateFile().path()));
  }
  m_window->spreadsheetLink().setFactory([] { return nullptr; });
  const PictureCanvas& surface = m_window->canvas()->surface();
  const QImage blank = surface.composed(surface.rect());
  m_window->commentBox()->setText(comment);
  choose(u"C11"_s, shape);
  choose(u"B11"_s, destination);
  drag(QPoint(10, 10), QPoint(60, 40));
  QTRY_COMPARE(m_told.size(), 1);
  QVERIFY2(m_told.at(0).contains(told), qPrintable(m_told.at(0)));
  QCOMPARE(surface.composed(surface.rect()), blank);
  QVERIFY(!m_window->history().canUndo());
  QVERIFY(fullDisk || !QFile::exists(m_window->coordinateFile().path()));
  QCOMPARE(m_window->commentBox()->text(), comment);
}

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"

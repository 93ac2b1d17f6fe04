// 元に戻す and やり直し through the real window: the shape off the picture and
// its record out of where it went, together, or nothing and a reason.
#include "CanvasWidget.h"
#include "ScriptedWindow.h"
#include "SpreadsheetAutomation.h"
#include "SpreadsheetLink.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// A sheet in memory: what the link writes, clears and reads back.
struct FakeSheet : SpreadsheetAutomation {
  QMap<std::pair<int, int>, Cell>* cells;
  explicit FakeSheet(QMap<std::pair<int, int>, Cell>* c) : cells(c) {}
  bool attach() override { return true; }
  bool create() override { return true; }
  bool makeVisible() override { return true; }
  bool activeWorkbook() override { return true; }
  bool addSheet() override { return true; }
  bool addWorkbook() override { return true; }
  bool activeSheet() override { return true; }
  bool setText(int row, int column, const QString& text) override {
    (*cells)[{row, column}] = text.isEmpty() ? Cell{} : Cell{Cell::Kind::Text, text, 0};
    return true;
  }
  bool setNumber(int row, int column, double value, int) override {
    (*cells)[{row, column}] = Cell{Cell::Kind::Number, {}, value};
    return true;
  }
  std::optional<QList<Cell>> rowAt(int row, int columns) override {
    QList<Cell> line;
    for (int column = 1; column <= columns; ++column) {
      line << cells->value({row, column});
    }
    return line;
  }
  bool clearRow(int row, int columns) override {
    for (int column = 1; column <= columns; ++column) {
      cells->remove({row, column});
    }
    return true;
  }
  QString lastError() const override { return {}; }
};

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A DrawnShape that only counts, for the history's own rules.
struct CountedShape : DrawnShape {
  qsizetype size;
  explicit CountedShape(qsizetype s) : size(s) {}
  void undo() override {}
  void redo() override {}
  qsizetype bytes() const override { return size; }
};

}  // namespace

class TestUndo : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void menuSaysWhatItTakesBack();
  void fileLineTakenBackAndWrittenAgain();
  void fileChangedUnderneathIsLeftAlone();
  void fileDeletedAsksBeforeTakingTheShapeOnly();
  void clipboardGetsItsEarlierTextBack();
  void sheetRowClearedAndWrittenAgain();
  void sheetChangedUnderneathIsLeftAlone();
  void overlappingShapesComeOffPixelForPixel_data();
  void overlappingShapesComeOffPixelForPixel();
  void newCaptureClearsRedo();
  void newPictureClearsBoth();
  void notDuringAGesture();
  void budgetLetsTheOldestGo();
  void keysTakeBackCapturesNotTheComment_data();
  void keysTakeBackCapturesNotTheComment();

 private:
  void capture(int shape, QPoint from, QPoint to);
  QImage picture() const;
  MainWindow& window() { return m_scripted->window; }

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  QMap<std::pair<int, int>, SpreadsheetAutomation::Cell> m_cells;
};

void TestUndo::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  m_cells.clear();
  window().spreadsheetLink().setFactory([this] { return std::make_unique<FakeSheet>(&m_cells); });
  QVERIFY(QTest::qWaitForWindowExposed(&window()));
}

void TestUndo::cleanup() {
  m_scripted.reset();
}

void TestUndo::capture(int shape, QPoint from, QPoint to) {
  m_scripted->choose(u"C11"_s, shape);
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, from);
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, to);
}

QImage TestUndo::picture() const {
  const PictureCanvas& surface = m_scripted->window.canvas()->surface();
  return surface.composed(surface.rect());
}

void TestUndo::menuSaysWhatItTakesBack() {
  QAction* undo = window().findChild<QAction*>(u"元に戻す"_s);
  QAction* redo = window().findChild<QAction*>(u"やり直し"_s);
  QVERIFY(!undo->isEnabled() && !redo->isEnabled());
  m_scripted->choose(u"B11"_s, 2);
  capture(2, QPoint(10, 10), QPoint(100, 60));
  QCOMPARE(undo->text(), u"元に戻す: 線 (ﾌｧｲﾙ)"_s);
  QVERIFY(undo->isEnabled() && !redo->isEnabled());
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(redo->text(), u"やり直し: 線 (ﾌｧｲﾙ)"_s);
  QCOMPARE(undo->text(), u"元に戻す"_s);
  QVERIFY(!undo->isEnabled() && redo->isEnabled());
  // The destinations stay as they were, the new items after a separator.
  const QList<QAction*> items = window().findChild<QMenu*>(u"B1"_s)->actions();
  QCOMPARE(items.at(items.size() - 3)->isSeparator(), true);
  QCOMPARE(items.last(), redo);
  QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  QVERIFY(redo->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
}

void TestUndo::fileLineTakenBackAndWrittenAgain() {
  m_scripted->choose(u"B11"_s, 2);
  const QImage blank = picture();
  capture(3, QPoint(200, 200), QPoint(240, 230));
  const QByteArray one = contents(window().coordinateFile().path());
  const QImage withCircle = picture();
  capture(4, QPoint(210, 190), QPoint(300, 260));  // over the circle
  const QByteArray two = contents(window().coordinateFile().path());
  const QImage withBoth = picture();
  QVERIFY(two.startsWith(one) && two.size() > one.size());
  QStringList before;
  for (int i = 0; i < kFieldCount; ++i) {
    before << window().valueSheet().text(Field(i));
  }

  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(contents(window().coordinateFile().path()), one);
  QCOMPARE(picture(), withCircle);
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(contents(window().coordinateFile().path()), QByteArray());
  QCOMPARE(picture(), blank);
  m_scripted->run(u"やり直し"_s);
  m_scripted->run(u"やり直し"_s);
  QCOMPARE(contents(window().coordinateFile().path()), two);  // the same bytes
  QCOMPARE(picture(), withBoth);
  // The value sheet is never touched.
  for (int i = 0; i < kFieldCount; ++i) {
    QCOMPARE(window().valueSheet().text(Field(i)), before.at(i));
  }
  QVERIFY(m_scripted->prompts->shown.isEmpty());
}

void TestUndo::fileChangedUnderneathIsLeftAlone() {
  m_scripted->choose(u"B11"_s, 2);
  capture(2, QPoint(10, 10), QPoint(100, 60));
  const QImage drawn = picture();
  QFile file(window().coordinateFile().path());
  QVERIFY(file.open(QIODevice::Append));
  file.write("added by hand\r\n");
  file.close();
  const QByteArray edited = contents(file.fileName());
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(contents(file.fileName()), edited);
  QCOMPARE(picture(), drawn);
  QVERIFY(m_scripted->prompts->shown.last().contains(u"書き換えられています"_s));
  QVERIFY(window().history().canUndo());  // still there, to try again
}

void TestUndo::fileDeletedAsksBeforeTakingTheShapeOnly() {
  m_scripted->choose(u"B11"_s, 2);
  const QImage blank = picture();
  capture(2, QPoint(10, 10), QPoint(100, 60));
  const QImage drawn = picture();
  QVERIFY(QFile::remove(window().coordinateFile().path()));
  m_scripted->prompts->yes = {false};
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(m_scripted->prompts->shown.last().startsWith(u"ask[元に戻す]"_s));
  QCOMPARE(picture(), drawn);
  m_scripted->prompts->yes = {true};
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(picture(), blank);
  QVERIFY(!QFile::exists(window().coordinateFile().path()));
  // Done again, the line begins a new file, as it began the old one.
  m_scripted->run(u"やり直し"_s);
  QCOMPARE(picture(), drawn);
  QVERIFY(contents(window().coordinateFile().path()).startsWith(QByteArray::fromHex("90fc")));
}

void TestUndo::clipboardGetsItsEarlierTextBack() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(u"earlier"_s);
  m_scripted->choose(u"B11"_s, 1);
  capture(1, QPoint(10, 10), QPoint(20, 30));
  const QString record = clipboard->text();
  QVERIFY(record.startsWith(u"点,"_s));
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(clipboard->text(), u"earlier"_s);
  m_scripted->run(u"やり直し"_s);
  QCOMPARE(clipboard->text(), record);
  // Something else on the clipboard now: undo leaves it alone.
  clipboard->setText(u"copied elsewhere"_s);
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(clipboard->text(), u"copied elsewhere"_s);
  QVERIFY(!window().history().canUndo());
}

void TestUndo::sheetRowClearedAndWrittenAgain() {
  m_scripted->choose(u"B11"_s, 3);
  capture(1, QPoint(10, 10), QPoint(20, 30));
  capture(2, QPoint(10, 10), QPoint(20, 30));
  const auto afterTwo = m_cells;
  QCOMPARE(window().selections().outputRow, qint16(3));
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(window().selections().outputRow, qint16(2));
  QVERIFY(!m_cells.contains({2, 1}));
  QVERIFY(m_cells.contains({1, 1}));
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(window().selections().outputRow, qint16(1));
  QVERIFY(m_cells.isEmpty());
  m_scripted->run(u"やり直し"_s);
  m_scripted->run(u"やり直し"_s);
  QCOMPARE(window().selections().outputRow, qint16(3));
  QCOMPARE(m_cells.keys(), afterTwo.keys());
  // Taken back to row 1, the next record goes on on the same sheet.
  m_scripted->run(u"元に戻す"_s);
  m_scripted->run(u"元に戻す"_s);
  capture(3, QPoint(10, 10), QPoint(20, 30));
  QCOMPARE(m_cells.value({1, 1}).text, u"円"_s);
  QCOMPARE(window().selections().outputRow, qint16(2));
}

void TestUndo::sheetChangedUnderneathIsLeftAlone() {
  m_scripted->choose(u"B11"_s, 3);
  capture(1, QPoint(10, 10), QPoint(20, 30));
  m_cells[{1, 3}] = SpreadsheetAutomation::Cell{SpreadsheetAutomation::Cell::Kind::Number, {}, 1};
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(m_scripted->prompts->shown.last().contains(u"1 行目が書き換えられた"_s));
  QCOMPARE(window().selections().outputRow, qint16(2));
  QVERIFY(m_cells.contains({1, 1}));
  // A link started anew (the document was closed) is another sheet.
  m_cells[{1, 3}] = SpreadsheetAutomation::Cell{};
  window().spreadsheetLink().setFactory([this] { return std::make_unique<FakeSheet>(&m_cells); });
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(window().history().canUndo());
}

void TestUndo::overlappingShapesComeOffPixelForPixel_data() {
  QTest::addColumn<int>("format");
  QTest::newRow("1-bit") << int(QImage::Format_Mono);
  QTest::newRow("grey") << int(QImage::Format_Grayscale8);
  QTest::newRow("colour") << int(QImage::Format_RGB32);
}

// Shapes over shapes, wide, filled and in colour, taken back newest first:
// every state comes back exactly, and forward again.
void TestUndo::overlappingShapesComeOffPixelForPixel() {
  QFETCH(int, format);
  QImage source(700, 500, QImage::Format_RGB32);
  source.fill(Qt::white);
  for (int y = 0; y < 500; y += 7) {
    for (int x = 0; x < 700; ++x) {
      source.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  const QString path = m_dir->filePath(u"picture.png"_s);
  QVERIFY(source.convertToFormat(static_cast<QImage::Format>(format)).save(path));
  m_scripted->files->answers = {path};
  m_scripted->run(u"A11"_s);
  QList<QImage> states{picture()};
  LineStyle& style = window().lineStyle();
  const struct {
    int shape, width, draw, fill;
    QColor colour;
    QPoint from, to;
  } shapes[] = {
      {4, 9, 6, 4, Qt::red, QPoint(100, 100), QPoint(400, 300)},
      {3, 3, 0, 0, Qt::blue, QPoint(300, 250), QPoint(420, 250)},
      {2, 15, 1, 1, Qt::green, QPoint(50, 400), QPoint(650, 80)},
      {1, 1, 0, 0, Qt::black, QPoint(300, 250), QPoint(300, 250)},
  };
  for (const auto& s : shapes) {
    style.widthText = QString::number(s.width);
    style.drawStyle = s.draw;
    style.fillStyle = s.fill;
    style.lineColour = s.colour;
    capture(s.shape, s.from, s.to);
    states << picture();
  }
  for (int i = 4; i > 0; --i) {
    QCOMPARE(picture(), states.at(i));
    m_scripted->run(u"元に戻す"_s);
  }
  QCOMPARE(picture(), states.at(0));
  QCOMPARE(window().canvas()->surface().layer().tileCount(), 0);
  for (int i = 1; i <= 4; ++i) {
    m_scripted->run(u"やり直し"_s);
    QCOMPARE(picture(), states.at(i));
  }
}

void TestUndo::newCaptureClearsRedo() {
  capture(2, QPoint(10, 10), QPoint(100, 60));
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(window().history().canRedo());
  capture(3, QPoint(10, 10), QPoint(100, 60));
  QVERIFY(!window().history().canRedo());
  QCOMPARE(window().history().undoLabel(), u"円"_s);
}

void TestUndo::newPictureClearsBoth() {
  capture(2, QPoint(10, 10), QPoint(100, 60));
  capture(2, QPoint(10, 10), QPoint(100, 60));
  m_scripted->run(u"元に戻す"_s);
  QImage image(100, 80, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QString path = m_dir->filePath(u"new.png"_s);
  QVERIFY(image.save(path));
  m_scripted->files->answers = {path};
  m_scripted->run(u"A11"_s);
  QVERIFY(!window().history().canUndo() && !window().history().canRedo());
  QVERIFY(!window().findChild<QAction*>(u"元に戻す"_s)->isEnabled());
}

void TestUndo::notDuringAGesture() {
  capture(2, QPoint(10, 10), QPoint(100, 60));
  const QImage drawn = picture();
  m_scripted->choose(u"C11"_s, 0);  // a gesture that captures nothing
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, QPoint(300, 300));
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(picture(), drawn);
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, QPoint(300, 300));
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(picture() != drawn);
}

void TestUndo::budgetLetsTheOldestGo() {
  CaptureHistory history(4 * 1024 * 1024);
  for (int i = 0; i < 10; ++i) {
    history.push({u"線"_s, std::make_unique<CountedShape>(1024 * 1024), nullptr});
  }
  QVERIFY(history.bytes() <= 4 * 1024 * 1024);
  QCOMPARE(history.undoDepth(), 3);
  QVERIFY(history.forgotOldest());
  // The menu says how far back undo reaches.
  for (int i = 0; i < 5; ++i) {
    window().history().push({u"点"_s, std::make_unique<CountedShape>(1024 * 1024), nullptr});
  }
  window().history().setBudget(2 * 1024 * 1024 + 4096);
  QCOMPARE(window().findChild<QAction*>(u"元に戻す"_s)->text(), u"元に戻す: 点（あと 2 回まで）"_s);
}

void TestUndo::keysTakeBackCapturesNotTheComment_data() {
  QTest::addColumn<QKeyCombination>("redoKey");
  QTest::newRow("Ctrl+Y") << QKeyCombination(Qt::CTRL, Qt::Key_Y);
  QTest::newRow("Ctrl+Shift+Z") << QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
}

// The keyboard focus stays in the comment box throughout, as it does after
// typing a comment: the keys still reach the captures, and the comment a
// record carries never changes behind the user's back.
void TestUndo::keysTakeBackCapturesNotTheComment() {
  QFETCH(QKeyCombination, redoKey);
  const auto press = [](QWidget* w, QKeyCombination key) {
    QTest::keyClick(w, key.key(), key.keyboardModifiers());
  };
  const QKeyCombination undoKey(Qt::CTRL, Qt::Key_Z);
  m_scripted->choose(u"B11"_s, 2);
  CommentBox* comment = window().commentBox();
  window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window()));
  comment->setFocus();
  QTest::keyClicks(comment, u"U-1"_s);
  capture(2, QPoint(10, 10), QPoint(100, 60));
  const QByteArray one = contents(window().coordinateFile().path());
  QVERIFY(one.contains("U-1"));
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(comment, Qt::Key_Backspace);
  }
  QTest::keyClicks(comment, u"U-2"_s);
  capture(2, QPoint(20, 20), QPoint(120, 90));
  const QByteArray two = contents(window().coordinateFile().path());
  const QImage withBoth = picture();
  QVERIFY(two.startsWith(one) && two.mid(one.size()).contains("U-2"));
  // The clicks gave the picture the keyboard; what is typed goes on to the
  // comment (tst_placement).
  QCOMPARE(QApplication::focusWidget(), window().canvas());

  press(comment, undoKey);
  QCOMPARE(contents(window().coordinateFile().path()), one);
  QCOMPARE(comment->text(), u"U-2"_s);
  press(comment, redoKey);
  QCOMPARE(contents(window().coordinateFile().path()), two);
  QCOMPARE(picture(), withBoth);
  QCOMPARE(comment->text(), u"U-2"_s);

  // What is typed after the last capture is the box's own to take back.
  QTest::keyClicks(comment, u"X"_s);
  press(comment, undoKey);
  QCOMPARE(comment->text(), u"U-2"_s);
  QCOMPARE(contents(window().coordinateFile().path()), two);
  press(comment, redoKey);
  QCOMPARE(comment->text(), u"U-2X"_s);
  QCOMPARE(contents(window().coordinateFile().path()), two);
  press(comment, undoKey);
  QCOMPARE(comment->text(), u"U-2"_s);
  // Nothing more of its own: the next capture back goes.
  press(comment, undoKey);
  QCOMPARE(contents(window().coordinateFile().path()), one);
  QCOMPARE(comment->text(), u"U-2"_s);
  QVERIFY(m_scripted->prompts->shown.isEmpty());
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"

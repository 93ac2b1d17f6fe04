#include "CanvasWidget.h"
#include "LineStyleDialog.h"
#include "MainWindow.h"
#include "ModalAnswer.h"
#include "Spoken.h"
#include "StatusBar.h"
#include "ValueSheetWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

QString captionOf(const MainWindow& w, const QString& name) {
  if (auto* menu = w.findChild<QMenu*>(name)) {
    return menu->title();
  }
  auto* item = w.findChild<QAction*>(name);
  return item ? item->text() : u"<missing>"_s;
}

QList<bool> checks(const QList<QAction*>& items) {
  QList<bool> marks;
  for (QAction* item : items) {
    marks << item->isChecked();
  }
  return marks;
}

QList<QAction*> family(const MainWindow& w, const QString& name) {
  QList<QAction*> items = w.findChildren<QAction*>(name);
  std::sort(items.begin(), items.end(),
            [](QAction* a, QAction* b) { return a->data().toInt() < b->data().toInt(); });
  return items;
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void layoutFollowsTheTwips();
  void statusBarPanels();
  void menuTree();
  void checkMarksStayRadioLike();
  void pressAndReleaseFillTheGestureFields();
  void moveFillsThePanels();
  void readoutsSayTheirCaptionAndValue_data();
  void readoutsSayTheirCaptionAndValue();
  void rightButtonGestureIsLikeALeftOne();
  void releaseLeftOfTheCanvasIsNegative();
  void doubleClickIsTwoGestures();
  void editInTheValueSheetWindowChangesTheNextConversion();
  void overflowIsToldAndTheProgramGoesOn();
  void lineStyleWindowOpensAndHides();
  void aDroppedFileThatCannotOpenChangesNothing();

 private:
  MainWindow* m_window = nullptr;
};

void TestMainWindow::init() {
  m_window = new MainWindow;
  m_window->show();
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainWindow::cleanup() {
  delete m_window;
  m_window = nullptr;
}

void TestMainWindow::layoutFollowsTheTwips() {
  QCOMPARE(m_window->objectName(), u"Form1"_s);
  QCOMPARE(m_window->windowTitle(), u"Koordel"_s);
  QCOMPARE(m_window->centralWidget()->size(), QSize(1018, 666));
  auto* canvas = m_window->findChild<CanvasWidget*>(u"Picture1"_s);
  QVERIFY(canvas);
  QCOMPARE(canvas->geometry(), QRect(0, 0, 985, 601));
  QVERIFY(!canvas->accessibleName().isEmpty());
  QCOMPARE(m_window->findChild<QScrollBar*>(u"HScroll1"_s)->geometry(), QRect(0, 608, 993, 25));
  QCOMPARE(m_window->findChild<QScrollBar*>(u"VScroll1"_s)->geometry(), QRect(992, 0, 25, 609));
  auto* comment = m_window->findChild<QLineEdit*>(u"コメント"_s);
  QVERIFY(comment);
  QCOMPARE(comment->geometry(), QRect(688, 640, 321, 21));
  QCOMPARE(comment->accessibleName(), u"コメント"_s);
  // Whatever font was found, it must draw kana and kanji.
  const QFontMetrics metrics(comment->font());
  QVERIFY(metrics.inFont(u'コ'));
  QVERIFY(metrics.inFont(u'座'));
  // Lying on the status bar, the box must not hide the y readout.
  auto* panels = m_window->panels();
  const QRect yValue =
      panels->findChild<QLabel*>(u"Panel6"_s)->geometry().translated(panels->pos());
  QVERIFY2(yValue.right() < comment->x(), "the y unit panel is under the comment box");
}

void TestMainWindow::statusBarPanels() {
  auto* bar = m_window->findChild<StatusBar*>(u"StatusBar1"_s);
  QVERIFY(bar);
  const QStringList captions = {u"X軸"_s, {}, {}, u"Y軸"_s, {}, {}, u"コメント"_s};
  for (int i = 1; i <= 7; ++i) {
    QCOMPARE(bar->panelText(i), captions.at(i - 1));
  }
  // Panels show the user's unit text as it is, never as markup.
  bar->setPanelText(3, u"<b>mm</b>"_s);
  QCOMPARE(bar->findChild<QLabel*>(u"Panel3"_s)->textFormat(), Qt::PlainText);
}

void TestMainWindow::menuTree() {
  const std::pair<const char16_t*, const char16_t*> items[] = {
      {u"A1", u"ﾌｧｲﾙ"}, {u"A11", u"平面画像読込"}, {u"A12", u"設定保存"}, {u"A13", u"設定読込"},
      {u"B1", u"編集"}, {u"C1", u"取込"},          {u"C12", u"線種設定"}, {u"D1", u"設定"},
      {u"e1", u"校正"}, {u"E11", u"基準値"},       {u"E12", u"係数"},
  };
  for (const auto& [name, caption] : items) {
    QCOMPARE(captionOf(*m_window, QString::fromUtf16(name)), QString::fromUtf16(caption));
  }
  // The top level, in order, with 設定 an item of its own; menus of our own
  // come after the design's.
  QStringList top;
  for (QAction* a : m_window->menuBar()->actions()) {
    top << a->text();
  }
  QCOMPARE(top, (QStringList{u"ﾌｧｲﾙ"_s, u"編集"_s, u"取込"_s, u"設定"_s, u"校正"_s, u"表示"_s}));
  QVERIFY(!m_window->findChild<QAction*>(u"D1"_s)->menu());
  // ﾌｧｲﾙ: the design's items first, in order; ours after a separator.
  QStringList file;
  for (QAction* a : m_window->findChild<QMenu*>(u"A1"_s)->actions()) {
    file << (a->isSeparator() ? u"-"_s : a->text());
  }
  QCOMPARE(file, (QStringList{u"平面画像読込"_s, u"設定保存"_s, u"設定読込"_s, u"-"_s,
                              u"最近使ったファイル"_s, u"-"_s, u"次のページ"_s, u"前のページ"_s}));

  const QList<QAction*> b11 = family(*m_window, u"B11"_s);
  QCOMPARE(b11.size(), 6);
  const QStringList b11Captions = {u"データを修得しない"_s, u"クリップボードに送る"_s,
                                   u"ﾌｧｲﾙに書き込む"_s,     u"エクセルに送る"_s,
                                   u"画像を拡大する"_s,     u"画像を縮小する"_s};
  for (int i = 0; i < 6; ++i) {
    QCOMPARE(b11.at(i)->text(), b11Captions.at(i));
    QCOMPARE(b11.at(i)->isVisible(), i < 4);
  }
  const QList<QAction*> c11 = family(*m_window, u"C11"_s);
  const QStringList c11Captions = {u"書き込まない"_s, u"点"_s, u"線"_s, u"円"_s, u"四角"_s};
  QCOMPARE(c11.size(), 5);
  for (int i = 0; i < 5; ++i) {
    QCOMPARE(c11.at(i)->text(), c11Captions.at(i));
  }
  QCOMPARE(checks(b11), (QList<bool>{true, false, false, false, false, false}));
  QCOMPARE(checks(c11), (QList<bool>{true, false, false, false, false}));
  QCOMPARE(m_window->selections().captureShape, QString());
  QCOMPARE(m_window->selections().destination, QString());
  QCOMPARE(m_window->selections().outputRow, qint16(1));
}

void TestMainWindow::checkMarksStayRadioLike() {
  const QList<QAction*> c11 = family(*m_window, u"C11"_s);
  c11.at(3)->trigger();
  c11.at(3)->trigger();  // choosing the checked item again keeps it checked
  QCOMPARE(checks(c11), (QList<bool>{false, false, false, true, false}));
  QCOMPARE(m_window->selections().captureShape, u"円"_s);

  const QList<QAction*> b11 = family(*m_window, u"B11"_s);
  b11.at(2)->trigger();
  QCOMPARE(m_window->selections().destination, u"ファイル"_s);
  b11.at(0)->trigger();
  QCOMPARE(m_window->selections().destination, QString());
  QCOMPARE(checks(b11), (QList<bool>{true, false, false, false, false, false}));

  // A scaling item, if it is ever chosen, leaves the destination alone.
  b11.at(1)->trigger();
  m_window->chooseDestination(4);
  QCOMPARE(m_window->selections().destination, u"クリップ"_s);
  QCOMPARE(checks(b11), (QList<bool>{false, false, false, false, true, false}));
}

void TestMainWindow::pressAndReleaseFillTheGestureFields() {
  CanvasWidget* canvas = m_window->canvas();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(20, 30));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(100, 150));
  const ValueSheet& sheet = m_window->valueSheet();
  QCOMPARE(sheet.text(Field::down座標x), u"300"_s);
  QCOMPARE(sheet.text(Field::down座標y), u"450"_s);
  QCOMPARE(sheet.text(Field::変換down座標x), u"300.00"_s);
  QCOMPARE(sheet.text(Field::変換down座標y), u"-448.00"_s);
  QCOMPARE(sheet.text(Field::up座標x), u"1500"_s);
  QCOMPARE(sheet.text(Field::up座標y), u"2250"_s);
  QCOMPARE(sheet.text(Field::変換up座標x), u"1500.00"_s);
  QCOMPARE(sheet.text(Field::変換up座標y), u"-2248.00"_s);
  QCOMPARE(m_window->selections().outputRow, qint16(1));
}

void TestMainWindow::moveFillsThePanels() {
  m_window->valueSheet().setText(Field::x軸単位, u"mm"_s);
  QTest::mouseMove(m_window->canvas(), QPoint(20, 30));
  QTRY_COMPARE(m_window->panels()->panelText(2), u"300.00"_s);
  QCOMPARE(m_window->panels()->panelText(3), u"mm"_s);
  QCOMPARE(m_window->panels()->panelText(5), u"-448.00"_s);
  QCOMPARE(m_window->panels()->panelText(6), QString());
  QCOMPARE(m_window->panels()->panelText(1), u"X軸"_s);
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"1"_s);
}

void TestMainWindow::readoutsSayTheirCaptionAndValue_data() {
  QTest::addColumn<QString>("window");
  QTest::addColumn<QString>("widget");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("value");
  QTest::newRow("x") << u"Form1"_s << u"Panel2"_s << u"X軸の座標"_s << u"300.00"_s;
  QTest::newRow("x unit") << u"Form1"_s << u"Panel3"_s << u"X軸の単位"_s << u"mm"_s;
  QTest::newRow("y") << u"Form1"_s << u"Panel5"_s << u"Y軸の座標"_s << u"-448.00"_s;
  QTest::newRow("y unit") << u"Form1"_s << u"Panel6"_s << u"Y軸の単位"_s << u"cm"_s;
  QTest::newRow("up x") << u"Form2"_s << u"up座標x"_s << u"mouse up 座標(Twip) X"_s << u"1500"_s;
  QTest::newRow("converted up y") << u"Form2"_s << u"変換up座標y"_s << u"mouse up 座標(変換後) Y"_s
                                  << u"-2248.00"_s;
  QTest::newRow("extent") << u"Form2"_s << u"その差X"_s << u"その差(Twip) X"_s << u"1"_s;
}

// A screen reader says both what a readout is and what it shows.
void TestMainWindow::readoutsSayTheirCaptionAndValue() {
  QFETCH(QString, window);
  QFETCH(QString, widget);
  QFETCH(QString, name);
  QFETCH(QString, value);
  m_window->valueSheet().setText(Field::x軸単位, u"mm"_s);
  m_window->valueSheet().setText(Field::Y軸単位, u"cm"_s);
  CanvasWidget* canvas = m_window->canvas();
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 30), canvas->mapToGlobal(QPointF(20, 30)),
                   Qt::NoButton, Qt::NoButton, {});
  QApplication::sendEvent(canvas, &move);
  QTest::mousePress(m_window->canvas(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(m_window->canvas(), Qt::LeftButton, {}, QPoint(100, 150));
  QWidget* owner =
      window == u"Form1"_s ? static_cast<QWidget*>(m_window) : m_window->valueSheetWindow();
  const Spoken said = spoken(owner->findChild<QWidget*>(widget));
  QCOMPARE(said.name, name);
  QCOMPARE(said.value, value);
  QCOMPARE(said.text, value);
  QVERIFY(said.readOnly);
}

void TestMainWindow::rightButtonGestureIsLikeALeftOne() {
  CanvasWidget* canvas = m_window->canvas();
  QTest::mousePress(canvas, Qt::RightButton, Qt::ShiftModifier, QPoint(4, 5));
  QTest::mouseRelease(canvas, Qt::RightButton, Qt::ShiftModifier, QPoint(6, 7));
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"60"_s);
  QCOMPARE(m_window->valueSheet().text(Field::変換up座標y), u"-103.00"_s);
  QTest::mousePress(canvas, Qt::MiddleButton, {}, QPoint(8, 9));
  QTest::mouseRelease(canvas, Qt::MiddleButton, {}, QPoint(10, 11));
  QCOMPARE(m_window->valueSheet().text(Field::up座標x), u"150"_s);
}

void TestMainWindow::releaseLeftOfTheCanvasIsNegative() {
  CanvasWidget* canvas = m_window->canvas();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(1, 1));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(-1, 700));
  QCOMPARE(m_window->valueSheet().text(Field::up座標x), u"-15"_s);
  QCOMPARE(m_window->valueSheet().text(Field::up座標y), u"10500"_s);
  QCOMPARE(m_window->valueSheet().text(Field::変換up座標x), u"-15.00"_s);
}

void TestMainWindow::doubleClickIsTwoGestures() {
  CanvasWidget* canvas = m_window->canvas();
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(2, 2));
  // The toolkit turns a quick second press into a double click; it must still
  // start a gesture.
  QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(3, 4),
                          canvas->mapToGlobal(QPointF(3, 4)), Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &doubleClick);
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"45"_s);
  QCOMPARE(m_window->valueSheet().text(Field::down座標y), u"60"_s);
}

void TestMainWindow::editInTheValueSheetWindowChangesTheNextConversion() {
  QTest::mouseMove(m_window->canvas(), QPoint(40, 30));
  QTRY_COMPARE(m_window->panels()->panelText(2), u"600.00"_s);

  bool answered = false;
  answerNextModal([&](QWidget* modal) {
    QCOMPARE(modal->objectName(), u"Form2"_s);
    QCOMPARE(modal->windowTitle(), u"設定"_s);
    auto* coefficient = modal->findChild<QLineEdit*>(u"x軸係数"_s);
    coefficient->selectAll();
    QTest::keyClicks(coefficient, u"2"_s);
    auto* unit = modal->findChild<QLineEdit*>(u"Y軸単位"_s);
    QTest::keyClicks(unit, u"m"_s);
    QTest::mouseClick(modal->findChild<QPushButton*>(), Qt::LeftButton);
    answered = true;
  });
  m_window->findChild<QAction*>(u"D1"_s)->trigger();
  QVERIFY(answered);
  QVERIFY(!m_window->valueSheetWindow()->isVisible());

  QTest::mouseMove(m_window->canvas(), QPoint(40, 31));
  QTRY_COMPARE(m_window->panels()->panelText(2), u"1199.00"_s);
  QCOMPARE(m_window->panels()->panelText(6), u"m"_s);

  // Shown again, the window still holds what was typed.
  answerNextModal([](QWidget* modal) {
    QCOMPARE(modal->findChild<QLineEdit*>(u"x軸係数"_s)->text(), u"2"_s);
    modal->findChild<QPushButton*>()->click();
  });
  m_window->findChild<QAction*>(u"D1"_s)->trigger();
}

void TestMainWindow::overflowIsToldAndTheProgramGoesOn() {
  m_window->valueSheet().setText(Field::x軸係数, u"1E308"_s);
  MessagesTold messages;
  QStringList& told = messages.told;
  // Press and release both fail before the box is up: one box, not two.
  QTest::mousePress(m_window->canvas(), Qt::LeftButton, {}, QPoint(500, 30));
  QTest::mouseRelease(m_window->canvas(), Qt::LeftButton, {}, QPoint(500, 30));
  QTRY_COMPARE(told.size(), 1);
  QTest::qWait(100);
  QCOMPARE(told.size(), 1);
  QVERIFY(told.at(0).startsWith(u"Koordel:"_s));
  QVERIFY(told.at(0).contains(u"オーバーフロー"_s));
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"7500"_s);
  QCOMPARE(m_window->valueSheet().text(Field::変換down座標x), u"1"_s);

  QTest::mouseMove(m_window->canvas(), QPoint(500, 31));
  QTRY_COMPARE(m_window->panels()->panelText(2), u"オーバーフロー"_s);

  // Back within range, gestures work again.
  m_window->valueSheet().setText(Field::x軸係数, u"1"_s);
  QTest::mouseClick(m_window->canvas(), Qt::LeftButton, {}, QPoint(500, 30));
  QCOMPARE(m_window->valueSheet().text(Field::変換up座標x), u"7500.00"_s);
  QCOMPARE(told.size(), 1);
}

void TestMainWindow::lineStyleWindowOpensAndHides() {
  QString title;
  answerNextModal([&](QWidget* modal) {
    title = modal->windowTitle();
    modal->findChild<QPushButton*>(u"Command2"_s)->click();
  });
  m_window->findChild<QAction*>(u"C12"_s)->trigger();
  QCOMPARE(title, u"線種線色設定"_s);
  QVERIFY(m_window->findChild<QWidget*>(u"Form3"_s));
  QVERIFY(!m_window->lineStyleDialog()->isVisible());
}

// Opened as 平面画像読込 would open it: a file that is not there is told, and
// the value sheet and the selections stay as they were.
void TestMainWindow::aDroppedFileThatCannotOpenChangesNothing() {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(u"/tmp/no-such-drawing.png"_s)});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(m_window->canvas(), &enter);
  QVERIFY(enter.isAccepted());
  MessagesTold told;
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(m_window->canvas(), &drop);
  QTRY_COMPARE(told.told.size(), 1);
  QVERIFY2(told.told.first().contains(u"ファイルが見つかりません"_s),
           qPrintable(told.told.first()));
  const ValueSheet fresh;
  for (int i = 0; i < kFieldCount; ++i) {
    QCOMPARE(m_window->valueSheet().text(Field(i)), fresh.text(Field(i)));
  }
  QCOMPARE(m_window->selections().captureShape, QString());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

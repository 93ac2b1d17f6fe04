// Placing from the keyboard through the real window: the arrow keys move
// the pointer by screen pixels, Space is the button, and typing still
// reaches the comment.
#include "CommentBox.h"
#include "NumberText.h"
#include "ScriptedWindow.h"

#include <QFile>
#include <QTemporaryDir>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestPlacement : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup() { m_scripted.reset(); }
  void arrowsMoveByScreenPixels_data();
  void arrowsMoveByScreenPixels();
  void keyboardGestureRecordsAsTheMouseDoes();
  void typingAfterAClickReachesTheComment();
  void spaceHeldEndsWhenTheKeyboardLeaves();

 private:
  MainWindow& window() { return m_scripted->window; }
  CanvasWidget* canvas() { return window().canvas(); }
  QString field(Field f) { return window().valueSheet().text(f); }
  void key(Qt::Key k, Qt::KeyboardModifiers mods = {}, int times = 1) {
    for (int i = 0; i < times; ++i) {
      QTest::keyClick(canvas(), k, mods);
    }
  }
  QByteArray file() const;

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
};

void TestPlacement::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  QVERIFY(QTest::qWaitForWindowExposed(&window()));
}

QByteArray TestPlacement::file() const {
  QFile f(m_scripted->window.coordinateFile().path());
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestPlacement::arrowsMoveByScreenPixels_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("100%") << 1.0;
  QTest::newRow("400%: a quarter pixel a step") << 4.0;
  QTest::newRow("3200%") << 32.0;
  QTest::newRow("50%") << 0.5;
}

void TestPlacement::arrowsMoveByScreenPixels() {
  QFETCH(double, zoom);
  window().zoomAbout(zoom, QPointF(0, 0));
  QCOMPARE(canvas()->zoom(), zoom);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(100, 80));
  QVERIFY(canvas()->hasFocus());
  key(Qt::Key_Right, {}, 3);
  key(Qt::Key_Down, Qt::ShiftModifier);
  key(Qt::Key_Up);
  key(Qt::Key_Space);
  // Three pixels right, ten down and one up, in twips at that zoom.
  QCOMPARE(field(Field::down座標x), canvasPositionText(float(103 / zoom * 15)));
  QCOMPARE(field(Field::down座標y), canvasPositionText(float(89 / zoom * 15)));
  QCOMPARE(field(Field::up座標x), field(Field::down座標x));
  QVERIFY(!canvas()->gestureInProgress());
}

void TestPlacement::keyboardGestureRecordsAsTheMouseDoes() {
  m_scripted->choose(u"B11"_s, 2);  // ﾌｧｲﾙに書き込む
  // The mouse's line, from (40, 50) to (52, 45).
  m_scripted->choose(u"C11"_s, 2);  // 線
  QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(40, 50));
  QTest::mouseMove(canvas(), QPoint(52, 45));
  QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(52, 45));
  const QByteArray byMouse = file();
  QVERIFY(!byMouse.isEmpty());
  // The same from the keyboard, the click that gives it the keyboard made
  // with no shape chosen.
  m_scripted->choose(u"C11"_s, 0);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(30, 50));
  m_scripted->choose(u"C11"_s, 2);
  key(Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyPress(canvas(), Qt::Key_Space);
  key(Qt::Key_Right, Qt::ShiftModifier);
  key(Qt::Key_Right, {}, 2);
  key(Qt::Key_Up, {}, 5);
  QVERIFY(canvas()->gestureInProgress());
  QTest::keyRelease(canvas(), Qt::Key_Space);
  QCOMPARE(file(), byMouse + byMouse);
}

void TestPlacement::typingAfterAClickReachesTheComment() {
  CommentBox* comment = window().commentBox();
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QVERIFY(canvas()->hasFocus());
  // Space before any arrow key is a space of the comment, not the button.
  QTest::keyClicks(canvas(), u"A 2"_s);
  QCOMPARE(comment->text(), u"A 2"_s);
  QVERIFY(comment->hasFocus());
  // Editing keys go along too.
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QTest::keyClick(canvas(), Qt::Key_Backspace);
  QCOMPARE(comment->text(), u"A "_s);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QTest::keyClick(canvas(), Qt::Key_Home);
  QTest::keyClicks(QApplication::focusWidget(), u"B"_s);
  QCOMPARE(comment->text(), u"BA "_s);
  // Shift alone (as for Shift + arrow) keeps the keyboard on the picture.
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QTest::keyClick(canvas(), Qt::Key_Shift);
  QVERIFY(canvas()->hasFocus());
  QCOMPARE(field(Field::up座標x), u"900"_s);  // only the clicks were gestures
}

void TestPlacement::spaceHeldEndsWhenTheKeyboardLeaves() {
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(20, 20));
  key(Qt::Key_Down, {}, 2);
  QTest::keyPress(canvas(), Qt::Key_Space);
  QVERIFY(canvas()->gestureInProgress());
  key(Qt::Key_Right, {}, 4);
  window().commentBox()->setFocus();
  QVERIFY(!canvas()->gestureInProgress());
  QCOMPARE(field(Field::up座標x), u"360"_s);
  QCOMPARE(field(Field::up座標y), u"330"_s);
}

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"

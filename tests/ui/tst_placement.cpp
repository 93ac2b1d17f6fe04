// Placing from the keyboard through the real window: the arrow keys move
// the pointer by screen pixels, Space is the button, and typing still
// reaches the comment.
#include "CommentBox.h"
#include "NumberText.h"
#include "ScriptedWindow.h"
#include "StatusBar.h"

#include <QFile>
#include <QInputMethodEvent>
#include <QTemporaryDir>

#include <cmath>

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
  void composedTextAfterAClickReachesTheComment();
  void spaceHeldEndsWhenTheKeyboardLeaves();
  void spaceAndMouseButtonMixed_data();
  void spaceAndMouseButtonMixed();
  void snappingMovesTheGestureToTheLine_data();
  void snappingMovesTheGestureToTheLine();
  void markerGoesWithWhatItMarked_data();
  void markerGoesWithWhatItMarked();

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
  // Shift alone (as for Shift + arrow) keeps the keyboard on the picture;
  // Tab gives it back to the comment.
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QTest::keyClick(canvas(), Qt::Key_Shift);
  QVERIFY(canvas()->hasFocus());
  QTest::keyClick(canvas(), Qt::Key_Tab);
  QVERIFY(comment->hasFocus());
  QCOMPARE(field(Field::up座標x), u"900"_s);  // only the clicks were gestures
}

// As an input method sends a comment typed in Japanese: the letters being
// composed first, then the text chosen.
void TestPlacement::composedTextAfterAClickReachesTheComment() {
  CommentBox* comment = window().commentBox();
  QTest::keyClicks(comment, u"A-"_s);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(60, 60));
  QVERIFY(canvas()->testAttribute(Qt::WA_InputMethodEnabled));
  QInputMethodEvent composing(u"か"_s, {});
  QCoreApplication::sendEvent(canvas(), &composing);
  QVERIFY(canvas()->hasFocus());  // a change of focus would end the composing
  QInputMethodEvent committed;
  committed.setCommitString(u"角"_s);
  QCoreApplication::sendEvent(canvas(), &committed);
  QCOMPARE(comment->text(), u"A-角"_s);
  QVERIFY(comment->hasFocus());
  // Its candidates open by the comment's cursor.
  const QWidget* picture = canvas();
  const QRect cursor = picture->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  QCOMPARE(canvas()->mapTo(&window(), cursor.topLeft()),
           comment->mapTo(&window(),
                          comment->inputMethodQuery(Qt::ImCursorRectangle).toRect().topLeft()));
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

void TestPlacement::spaceAndMouseButtonMixed_data() {
  QTest::addColumn<QString>("steps");
  // S/s: Space down/up; M/m: the mouse button down/up; v: the pointer moved
  // with no button (as when the system moves it along with the arrow keys);
  // R: an arrow key.
  QTest::newRow("mouse within Space") << u"SMms"_s;
  QTest::newRow("Space within the mouse") << u"MSsm"_s;
  QTest::newRow("ends crossed, Space first") << u"SMsm"_s;
  QTest::newRow("ends crossed, mouse first") << u"MSms"_s;
  QTest::newRow("pointer moved while Space holds") << u"Svs"_s;
  QTest::newRow("arrow key while the mouse holds") << u"MRm"_s;
}

// Whichever holds the button, the listeners see one press, moves with the
// button held, then its release, never a second press before it.
void TestPlacement::spaceAndMouseButtonMixed() {
  QFETCH(QString, steps);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(20, 20));
  key(Qt::Key_Right);  // the arrow keys take the pointer over
  int depth = 0;
  bool overlapped = false;
  bool unpairedRelease = false;
  bool buttonLostMidGesture = false;
  const auto connections = {
      connect(canvas(), &CanvasWidget::pressed, this,
              [&](const PointerEvent&) { overlapped |= ++depth > 1; }),
      connect(canvas(), &CanvasWidget::released, this,
              [&](const PointerEvent&) { unpairedRelease |= --depth < 0; }),
      connect(canvas(), &CanvasWidget::moved, this,
              [&](const PointerEvent& e) { buttonLostMidGesture |= depth > 0 && e.buttons == 0; }),
  };
  const QPoint at(30, 30);
  for (const QChar step : steps) {
    switch (step.unicode()) {
      case 'S':
        QTest::keyPress(canvas(), Qt::Key_Space);
        break;
      case 's':
        QTest::keyRelease(canvas(), Qt::Key_Space);
        break;
      case 'M':
        QTest::mousePress(canvas(), Qt::LeftButton, {}, at);
        canvas()->setFocus();  // as the click gives it
        break;
      case 'm':
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, at);
        break;
      case 'R':
        key(Qt::Key_Right);
        break;
      case 'v':
        QTest::mouseMove(canvas(), at + QPoint(1, 0));
        break;
    }
  }
  for (const auto& c : connections) {
    disconnect(c);
  }
  QVERIFY(!overlapped);
  QVERIFY(!unpairedRelease);
  QVERIFY(!buttonLostMidGesture);
  QCOMPARE(depth, 0);
  QVERIFY(!canvas()->gestureInProgress());
}

void TestPlacement::snappingMovesTheGestureToTheLine_data() {
  QTest::addColumn<bool>("on");
  QTest::addColumn<double>("zoom");
  QTest::addColumn<QPointF>("click");  // image pixels
  QTest::addColumn<QPointF>("recorded");
  // A line 3 pixels wide whose centre runs at y = 60.5, and an upright one
  // whose centre runs at x = 150.5: their crossing is (150.5, 60.5).
  QTest::newRow("off") << false << 1.0 << QPointF(100, 63) << QPointF(100, 63);
  QTest::newRow("3 pixels below the line") << true << 1.0 << QPointF(100, 63) << QPointF(100, 60.5);
  QTest::newRow("near the crossing") << true << 1.0 << QPointF(147, 58) << QPointF(150.5, 60.5);
  QTest::newRow("out of reach") << true << 1.0 << QPointF(100, 80) << QPointF(100, 80);
  // Six screen pixels are a quarter of an image pixel at 2400 %: out of reach.
  QTest::newRow("out of reach zoomed in") << true << 24.0 << QPointF(100, 62) << QPointF(100, 62);
  QTest::newRow("in reach zoomed out") << true << 0.5 << QPointF(100, 70) << QPointF(100, 60.5);
}

void TestPlacement::snappingMovesTheGestureToTheLine() {
  QFETCH(bool, on);
  QFETCH(double, zoom);
  QFETCH(QPointF, click);
  QFETCH(QPointF, recorded);
  QImage paper(300, 200, QImage::Format_Grayscale8);
  paper.fill(255);
  for (int x = 0; x < 300; ++x) {
    for (int y = 59; y <= 61; ++y) {
      paper.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  for (int y = 0; y < 200; ++y) {
    for (int x = 149; x <= 151; ++x) {
      paper.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  canvas()->setPicture(paper);
  window().findChild<QAction*>(u"線に合わせる"_s)->setChecked(on);
  // Zoomed about the place clicked, which stays in view.
  window().zoomAbout(zoom, click);
  const QPoint at = (click * zoom).toPoint();
  // From elsewhere: a move to where the pointer already is is no move.
  QTest::mouseMove(canvas(), at + QPoint(2, 2));
  QTest::mouseMove(canvas(), at);
  // The marker shows where a press would go, before the press.
  QCOMPARE(canvas()->snapMarker().has_value(), recorded != click);
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, at);
  const auto near = [](const QString& text, double pixels) {
    return std::abs(text.toDouble() / 15 - pixels) <= 0.1;
  };
  QVERIFY2(near(field(Field::down座標x), recorded.x()), qPrintable(field(Field::down座標x)));
  QVERIFY2(near(field(Field::down座標y), recorded.y()), qPrintable(field(Field::down座標y)));
  QCOMPARE(field(Field::up座標y), field(Field::down座標y));
  // The status bar reads the place the pointer went to.
  QCOMPARE(window().panels()->panelText(5), field(Field::変換up座標y));
}

void TestPlacement::markerGoesWithWhatItMarked_data() {
  QTest::addColumn<QString>("change");
  QTest::newRow("another picture") << u"picture"_s;
  QTest::newRow("another zoom") << u"zoom"_s;
  QTest::newRow("snapping off") << u"off"_s;
}

// The marker stands for where a press would go now: once the picture or the
// zoom it was found for is gone, so is it.
void TestPlacement::markerGoesWithWhatItMarked() {
  QFETCH(QString, change);
  QImage paper(200, 120, QImage::Format_Grayscale8);
  paper.fill(255);
  for (int x = 0; x < 200; ++x) {
    for (int y = 59; y <= 61; ++y) {
      paper.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  canvas()->setPicture(paper);
  QAction* snap = window().findChild<QAction*>(u"線に合わせる"_s);
  snap->setChecked(true);
  QTest::mouseMove(canvas(), QPoint(100, 70));
  QTest::mouseMove(canvas(), QPoint(100, 63));
  QVERIFY(canvas()->snapMarker());
  if (change == u"picture"_s) {
    paper.fill(255);
    canvas()->setPicture(paper);
  } else if (change == u"zoom"_s) {
    window().zoomAbout(8, QPointF(100, 63));
  } else {
    snap->setChecked(false);
  }
  QVERIFY(!canvas()->snapMarker());
}

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"

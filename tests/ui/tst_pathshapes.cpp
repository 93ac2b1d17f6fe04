// 折れ線, 多角形 and 角度 through the real window: clicks on Picture1, the keys
// wherever the focus is, the record where it was sent, undo.
#include "CommentBox.h"
#include "ModalAnswer.h"
#include "NumberText.h"
#include "PathShapes.h"
#include "PictureCanvas.h"
#include "PictureView.h"
#include "Readout.h"
#include "ScriptedWindow.h"

#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>

using namespace koordel;
using namespace Qt::StringLiterals;
using Clicks = QList<QPointF>;

namespace {

enum class Ending { Enter, DoubleClick, FirstVertex, Itself };

QByteArray sjis(const char* hex) {
  return QByteArray::fromHex(hex);
}
const QByteArray kPolyline = sjis("90dc82ea90fc");
const QByteArray kPolygon = sjis("91bd8a708c60");
const QByteArray kAngle = sjis("8a709378");

// The legs of a 3-4-5 triangle at a hundredth per twip about (150, 6000).
const QPointF kA(150, 6000), kB(450, 6000), kC(150, 5600);

}  // namespace
Q_DECLARE_METATYPE(Ending)

class TestPathShapes : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void itemsFollowTheDesignsItems();
  void recordsInTheCoordinateFile_data();
  void recordsInTheCoordinateFile();
  void clipboardHoldsTheRecordWithoutLineEnd();
  void keysReachTheShapeWhereverTheFocusIs();
  void calibrationChangedWhileBuilding();
  void measuredOnTheDrawingOfATiltedScan_data();
  void measuredOnTheDrawingOfATiltedScan();
  void refusedShapesKeepTheirVertices();
  void anotherShapeOrPictureAbandons();
  void undoAndRedo_data();
  void undoAndRedo();

 private:
  MainWindow& window() { return m_scripted->window; }
  void choose(const QString& caption) { window().findChild<QAction*>(caption)->trigger(); }
  void send(QEvent::Type type, QPointF twips);
  void click(QPointF twips);
  void clickAll(const Clicks& clicks, Ending ending);
  void key(Qt::Key key) { QTest::keyClick(window().commentBox(), key); }
  QString measure() { return window().pictureView()->measureReadout()->value(); }
  QByteArray file() const;
  int tiles() { return window().canvas()->surface().layer().tileCount(); }

  std::function<PathTool*()> m_paths;
  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
};

void TestPathShapes::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  QVERIFY(QTest::qWaitForWindowExposed(&window()));
  m_paths = [this] { return window().pathShapes().building(); };
  ValueSheet& sheet = window().valueSheet();
  sheet.setText(Field::基準値X, u"150"_s);
  sheet.setText(Field::基準値Y, u"6000"_s);
  sheet.setText(Field::指定基準X, u"0"_s);
  sheet.setText(Field::指定基準Y, u"0"_s);
  sheet.setText(Field::x軸係数, u"0.01000"_s);
  sheet.setText(Field::Y軸係数, u"0.01000"_s);
  m_scripted->choose(u"B11"_s, 2);  // ﾌｧｲﾙに書き込む
  QTest::keyClicks(window().commentBox(), u"T"_s);
}

void TestPathShapes::cleanup() {
  m_scripted.reset();
}

void TestPathShapes::send(QEvent::Type type, QPointF twips) {
  CanvasWidget* canvas = window().canvas();
  const QPointF at = twips / 15;
  QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &event);
}

void TestPathShapes::click(QPointF twips) {
  send(QEvent::MouseButtonPress, twips);
  send(QEvent::MouseButtonRelease, twips);
}

void TestPathShapes::clickAll(const Clicks& clicks, Ending ending) {
  for (const QPointF& at : clicks) {
    click(at);
  }
  switch (ending) {
    case Ending::Enter:
      key(Qt::Key_Return);
      break;
    case Ending::DoubleClick:
      send(QEvent::MouseButtonDblClick, clicks.last());
      send(QEvent::MouseButtonRelease, clicks.last());
      break;
    case Ending::FirstVertex:
      click(clicks.first() + QPointF(30, -15));  // two pixels off
      break;
    case Ending::Itself:
      break;
  }
}

QByteArray TestPathShapes::file() const {
  QFile f(m_scripted->window.coordinateFile().path());
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestPathShapes::itemsFollowTheDesignsItems() {
  QStringList captions;
  for (QAction* item : window().findChild<QMenu*>(u"C1"_s)->actions()) {
    captions << (item->isSeparator() ? u"-"_s : item->text());
  }
  QCOMPARE(captions,
           QStringList({u"書き込まない"_s, u"点"_s, u"線"_s, u"円"_s, u"四角"_s, u"線種設定"_s,
                        u"-"_s, u"折れ線"_s, u"多角形"_s, u"角度"_s, u"-"_s, u"線に合わせる"_s}));
  choose(u"多角形"_s);
  QVERIFY(window().findChild<QAction*>(u"多角形"_s)->isChecked());
  QCOMPARE(window().selections().captureShape, u"多角形"_s);
  m_scripted->choose(u"C11"_s, 1);  // 点
  QVERIFY(!window().findChild<QAction*>(u"多角形"_s)->isChecked());
  int checked = 0;
  for (QAction* item : window().findChild<QMenu*>(u"C1"_s)->actions()) {
    checked += item->isChecked();
  }
  QCOMPARE(checked, 1);
}

void TestPathShapes::recordsInTheCoordinateFile_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<Clicks>("clicks");
  QTest::addColumn<Ending>("ending");
  QTest::addColumn<QByteArray>("line");
  const QByteArray triangle = ",T,0.00,0.00,3.00,0.00,0.00,4.00,12.00,6.00\r\n";
  QTest::newRow("折れ線, Enter") << u"折れ線"_s << Clicks{kA, kB, kC} << Ending::Enter
                                 << kPolyline + ",T,0.00,0.00,3.00,0.00,0.00,4.00,8.00\r\n";
  QTest::newRow("折れ線, double click") << u"折れ線"_s << Clicks{kA, kB, kC} << Ending::DoubleClick
                                        << kPolyline + ",T,0.00,0.00,3.00,0.00,0.00,4.00,8.00\r\n";
  QTest::newRow("多角形, Enter") << u"多角形"_s << Clicks{kA, kB, kC} << Ending::Enter
                                 << kPolygon + triangle;
  QTest::newRow("多角形, the other way round")
      << u"多角形"_s << Clicks{kC, kB, kA} << Ending::Enter
      << kPolygon + ",T,0.00,4.00,3.00,0.00,0.00,0.00,12.00,6.00\r\n";
  QTest::newRow("多角形, first vertex")
      << u"多角形"_s << Clicks{kA, kB, kC} << Ending::FirstVertex << kPolygon + triangle;
  QTest::newRow("多角形, double click")
      << u"多角形"_s << Clicks{kA, kB, kC} << Ending::DoubleClick << kPolygon + triangle;
  // A repeated click adds no vertex.
  QTest::newRow("多角形, a click twice")
      << u"多角形"_s << Clicks{kA, kB, kB, kC} << Ending::Enter << kPolygon + triangle;
  QTest::newRow("角度 at the right angle") << u"角度"_s << Clicks{kB, kA, kC} << Ending::Itself
                                           << kAngle + ",T,3.00,0.00,0.00,0.00,0.00,4.00,90.00\r\n";
  QTest::newRow("角度 at 36.87") << u"角度"_s << Clicks{kA, kC, kB} << Ending::Itself
                                 << kAngle + ",T,0.00,0.00,0.00,4.00,3.00,0.00,36.87\r\n";
}

void TestPathShapes::recordsInTheCoordinateFile() {
  QFETCH(QString, shape);
  QFETCH(Clicks, clicks);
  QFETCH(Ending, ending);
  QFETCH(QByteArray, line);
  choose(shape);
  clickAll(clicks, ending);
  QCOMPARE(file(), line);
  QVERIFY(!m_paths());
  QVERIFY(tiles() > 0);
  // The value sheet saw the last click as a click, nothing else.
  QCOMPARE(
      window().valueSheet().text(Field::変換up座標x),
      ending == Ending::FirstVertex ? u"0.30"_s : twoDecimalText((clicks.last().x() - 150) / 100));
  QCOMPARE(window().valueSheet().text(Field::x軸係数), u"0.01000"_s);
}

void TestPathShapes::clipboardHoldsTheRecordWithoutLineEnd() {
  m_scripted->choose(u"B11"_s, 1);
  choose(u"多角形"_s);
  clickAll({kA, kB, kC}, Ending::Enter);
  QCOMPARE(QGuiApplication::clipboard()->text(),
           u"多角形,T,0.00,0.00,3.00,0.00,0.00,4.00,12.00,6.00"_s);
}

void TestPathShapes::keysReachTheShapeWhereverTheFocusIs() {
  window().commentBox()->setFocus();
  choose(u"折れ線"_s);
  clickAll({kA, kB, kC}, Ending::Itself);
  QVERIFY(measure().contains(u"長さ 8.00"_s));
  key(Qt::Key_Backspace);
  QCOMPARE(m_paths()->vertexCount(), 2u);
  QCOMPARE(window().commentBox()->text(), u"T"_s);
  // Walking the menus with the keys, Esc leaves the menus alone.
  QTest::keyClick(window().menuBar(), Qt::Key_Escape);
  QCOMPARE(m_paths()->vertexCount(), 2u);
  key(Qt::Key_Escape);
  QVERIFY(!m_paths());
  QCOMPARE(tiles(), 0);
  QVERIFY(file().isEmpty());
  clickAll({kA, kB}, Ending::Enter);
  QCOMPARE(file(), kPolyline + ",T,0.00,0.00,3.00,0.00,3.00\r\n");
  QCOMPARE(window().commentBox()->text(), u"T"_s);
  // With nothing being built the keys are the comment box's again.
  key(Qt::Key_Backspace);
  QCOMPARE(window().commentBox()->text(), QString());
}

// Calibrated anew half-way: every position in the record is converted as
// the measures are, with the calibration at the end.
void TestPathShapes::calibrationChangedWhileBuilding() {
  choose(u"折れ線"_s);
  clickAll({kA, kB}, Ending::Itself);
  window().valueSheet().setText(Field::x軸係数, u"0.02000"_s);
  clickAll({kC}, Ending::Enter);
  QCOMPARE(file(), kPolyline + ",T,0.00,0.00,6.00,0.00,0.00,4.00,13.21\r\n");
}

void TestPathShapes::measuredOnTheDrawingOfATiltedScan_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<QByteArray>("line");
  // The drawing's axes turned by 36.87° (cosine 4/5, sine 3/5), so that its
  // legs of 100 pixels each run to whole pixels; x and y scaled apart, so
  // that only the turn back makes the corner right.
  const QByteArray legs = ",T,15.00,0.00,0.00,0.00,0.00,30.00,";
  QTest::newRow("折れ線") << u"折れ線"_s << kPolyline + legs + "45.00\r\n";
  QTest::newRow("多角形") << u"多角形"_s << kPolygon + legs + "78.54,225.00\r\n";
  QTest::newRow("角度") << u"角度"_s << kAngle + legs + "90.00\r\n";
}

void TestPathShapes::measuredOnTheDrawingOfATiltedScan() {
  QFETCH(QString, shape);
  QFETCH(QByteArray, line);
  ValueSheet& sheet = window().valueSheet();
  sheet.setText(Field::基準値X, u"4500"_s);
  sheet.setText(Field::基準値Y, u"6000"_s);
  sheet.setText(Field::Y軸係数, u"0.02000"_s);
  sheet.setTilt(std::atan2(3.0, 4.0) * 180 / std::numbers::pi);
  const QPointF corner(4500, 6000);
  choose(shape);
  clickAll({corner + QPointF(80, -60) * 15, corner, corner + QPointF(-60, -80) * 15},
           shape == u"角度"_s ? Ending::Itself : Ending::Enter);
  QCOMPARE(file(), line);
}

void TestPathShapes::refusedShapesKeepTheirVertices() {
  choose(u"多角形"_s);
  clickAll({kA, kB}, Ending::Enter);
  QVERIFY(measure().contains(u"3 点以上"_s));
  QCOMPARE(m_paths()->vertexCount(), 2u);
  // A bow tie has no single area.
  clickAll({QPointF(150, 5600), QPointF(450, 5600)}, Ending::Enter);
  QVERIFY(measure().contains(u"交わって"_s));
  QCOMPARE(m_paths()->vertexCount(), 4u);
  QVERIFY(file().isEmpty());
  QCOMPARE(tiles(), 0);
  key(Qt::Key_Backspace);
  key(Qt::Key_Backspace);
  // A comment 座標.txt cannot hold: told, nothing drawn, and the vertices'
  // positions are all in the record once the comment is mended.
  window().commentBox()->setText(u"T😀"_s);
  {
    MessagesTold messages;
    clickAll({kC}, Ending::Enter);
    QTRY_VERIFY(messages.told.join(u""_s).contains(u"（😀）"_s));
  }
  QCOMPARE(m_paths()->vertexCount(), 3u);
  QVERIFY(file().isEmpty());
  QCOMPARE(tiles(), 0);
  window().commentBox()->setText(u"T"_s);
  key(Qt::Key_Return);
  QCOMPARE(file(), kPolygon + ",T,0.00,0.00,3.00,0.00,0.00,4.00,12.00,6.00\r\n");
}

void TestPathShapes::anotherShapeOrPictureAbandons() {
  choose(u"角度"_s);
  clickAll({kA, kB}, Ending::Itself);
  m_scripted->choose(u"C11"_s, 2);  // 線
  QVERIFY(!m_paths());
  QVERIFY(measure().contains(u"破棄"_s));

  choose(u"折れ線"_s);
  clickAll({kA, kB}, Ending::Itself);
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const QString path = m_dir->filePath(u"next.png"_s);
  QVERIFY(picture.save(path));
  m_scripted->files->answers << path;
  m_scripted->run(u"A11"_s);
  QVERIFY(!m_paths());
  QVERIFY(measure().contains(u"画像を開いた"_s));
  QVERIFY(file().isEmpty());
}

void TestPathShapes::undoAndRedo_data() {
  QTest::addColumn<QString>("shape");
  QTest::addColumn<QByteArray>("line");
  QTest::newRow("折れ線") << u"折れ線"_s << kPolyline + ",T,0.00,0.00,3.00,0.00,0.00,4.00,8.00\r\n";
  QTest::newRow("多角形") << u"多角形"_s
                          << kPolygon + ",T,0.00,0.00,3.00,0.00,0.00,4.00,12.00,6.00\r\n";
  QTest::newRow("角度") << u"角度"_s << kAngle + ",T,0.00,0.00,3.00,0.00,0.00,4.00,53.13\r\n";
}

void TestPathShapes::undoAndRedo() {
  QFETCH(QString, shape);
  QFETCH(QByteArray, line);
  const PictureCanvas& surface = window().canvas()->surface();
  const QImage before = surface.composed(surface.rect());
  choose(shape);
  clickAll({kA, kB, kC}, shape == u"角度" ? Ending::Itself : Ending::Enter);
  QCOMPARE(file(), line);
  QCOMPARE(window().history().undoDepth(), 1);
  const QImage drawn = surface.composed(surface.rect());
  QVERIFY(drawn != before);
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(file().isEmpty());
  QCOMPARE(surface.composed(surface.rect()), before);
  m_scripted->run(u"やり直し"_s);
  QCOMPARE(file(), line);
  QCOMPARE(surface.composed(surface.rect()), drawn);
}

QTEST_MAIN(TestPathShapes)
#include "tst_pathshapes.moc"

#include "CanvasWidget.h"
#include "MainWindow.h"
#include "ModalAnswer.h"

#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "../ScriptedFileDialog.h"

using namespace koordel;
using namespace Qt::StringLiterals;

// What the scroll bars leave of the canvas's clip: up to the vertical bar and
// the horizontal one, so that at full scroll the picture's last column and
// row show beside them.
constexpr int kPictureAreaTwips = 14880;
constexpr int kPictureAreaHeightTwips = 9120;

class TestImageLoading : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void pictureShowsAtItsNaturalSize();
  void scrollingKeepsPositionsImagePositions();
  void farCornerOfABigScanIsReachable();
  void cancelChangesNothing();
  void badFileIsReportedAndChangesNothing();
  void newPictureWipesDrawingsAndKeepsScrollValues();
  void wheelScrollsTheCanvas();

 private:
  QString picture(const QString& name, QSize size, QImage::Format format);
  QString load(const QString& path);

  QTemporaryDir m_dir;
  MainWindow* m_window = nullptr;
  ScriptedFileDialog* m_dialog = nullptr;
};

void TestImageLoading::initTestCase() {
  QVERIFY(m_dir.isValid());
}

void TestImageLoading::init() {
  m_window = new MainWindow;
  auto dialog = std::make_unique<ScriptedFileDialog>();
  m_dialog = dialog.get();
  m_window->setFileDialog(std::move(dialog));
  m_window->show();
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestImageLoading::cleanup() {
  delete m_window;
  m_window = nullptr;
}

QString TestImageLoading::picture(const QString& name, QSize size, QImage::Format format) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  image.setPixel(size.width() - 1, size.height() - 1, qRgb(0, 0, 0));
  const QString path = m_dir.filePath(name);
  if (!image.convertToFormat(format).save(path)) {
    qFatal("cannot write a test picture");
  }
  return path;
}

// Runs 平面画像読込 with `path` chosen; returns the text of any message shown.
QString TestImageLoading::load(const QString& path) {
  m_dialog->answers.append(path);
  const MessagesTold messages;
  m_window->findChild<QAction*>(u"A11"_s)->trigger();
  m_window->canvas()->waitForPyramid();
  return messages.told.isEmpty() ? QString() : messages.told.last();
}

void TestImageLoading::pictureShowsAtItsNaturalSize() {
  QCOMPARE(load(picture(u"wide.png"_s, QSize(2000, 1000), QImage::Format_RGB32)), QString());
  QCOMPARE(m_dialog->titles, QStringList{u"平面画像読込"_s});
  QCOMPARE(m_window->canvas()->size(), QSize(2000, 1000));
  QScrollBar* h = m_window->horizontalBar();
  QScrollBar* v = m_window->verticalBar();
  QCOMPARE(h->maximum(), 2000 * 15 - kPictureAreaTwips);
  QCOMPARE(h->pageStep(), 151);
  QCOMPARE(h->singleStep(), 2);
  QCOMPARE(v->maximum(), 1000 * 15 - kPictureAreaHeightTwips);
  QCOMPARE(v->pageStep(), 59);
  QCOMPARE(v->singleStep(), 1);
}

void TestImageLoading::scrollingKeepsPositionsImagePositions() {
  load(picture(u"wide.png"_s, QSize(2000, 1000), QImage::Format_RGB32));
  m_window->horizontalBar()->setValue(1500);
  m_window->verticalBar()->setValue(750);
  QCOMPARE(m_window->canvas()->pos(), QPoint(-100, -50));
  // A click at (10, 10) of what is visible is at (110, 60) of the picture.
  auto* viewport = m_window->findChild<QWidget*>(u"viewport"_s);
  const QPoint at = viewport->mapTo(m_window, QPoint(10, 10));
  QTest::mousePress(m_window->windowHandle(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(m_window->windowHandle(), Qt::LeftButton, {}, at);
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"1650"_s);
  QCOMPARE(m_window->valueSheet().text(Field::up座標y), u"900"_s);
}

void TestImageLoading::farCornerOfABigScanIsReachable() {
  // 75000 twips across: beyond what a 16-bit scroll range could reach.
  load(picture(u"scan.tif"_s, QSize(5000, 3000), QImage::Format_Mono));
  QCOMPARE(m_window->canvas()->surface().picture().depth(), 1);
  QScrollBar* h = m_window->horizontalBar();
  QScrollBar* v = m_window->verticalBar();
  QCOMPARE(h->maximum(), 5000 * 15 - kPictureAreaTwips);
  h->setValue(h->maximum());
  v->setValue(v->maximum());
  auto* viewport = m_window->findChild<QWidget*>(u"viewport"_s);
  // The picture's last pixel sits at the viewport's far corner.
  const QPoint corner = m_window->canvas()->mapTo(viewport, QPoint(4999, 2999));
  QCOMPARE(corner, QPoint(viewport->width() - 1, viewport->height() - 1));
  QImage shown = viewport->grab().toImage();
  QCOMPARE(shown.pixel(corner), qRgb(0, 0, 0));

  // A shape drawn out there shows at once.
  m_window->canvas()->surface().drawBox(QPointF(4900, 2900) * 15, QPointF(4950, 2950) * 15,
                                        Qt::red);
  shown = viewport->grab().toImage();
  QCOMPARE(shown.pixel(m_window->canvas()->mapTo(viewport, QPoint(4900, 2920))), qRgb(255, 0, 0));
}

void TestImageLoading::cancelChangesNothing() {
  const QString path = picture(u"wide.png"_s, QSize(2000, 1000), QImage::Format_RGB32);
  load(path);
  m_window->canvas()->surface().drawBox(QPointF(150, 150), QPointF(1500, 1500), Qt::red);
  const QImage before = m_window->canvas()->surface().composed(QRect(0, 0, 200, 200));
  QCOMPARE(load(QString()), QString());
  QCOMPARE(m_window->canvas()->size(), QSize(2000, 1000));
  QCOMPARE(m_window->canvas()->surface().composed(QRect(0, 0, 200, 200)), before);
}

void TestImageLoading::badFileIsReportedAndChangesNothing() {
  load(picture(u"wide.png"_s, QSize(2000, 1000), QImage::Format_RGB32));
  m_window->horizontalBar()->setValue(300);
  m_window->canvas()->surface().drawBox(QPointF(150, 150), QPointF(1500, 1500), Qt::red);
  const qsizetype tiles = m_window->canvas()->surface().layer().tileCount();
  const QString told = load(m_dir.filePath(u"missing.png"_s));
  QVERIFY2(told.startsWith(u"エラー:ファイルが見つかりません。"_s), qPrintable(told));
  QCOMPARE(m_window->canvas()->size(), QSize(2000, 1000));
  QCOMPARE(m_window->canvas()->surface().layer().tileCount(), tiles);
  QCOMPARE(m_window->horizontalBar()->maximum(), 2000 * 15 - kPictureAreaTwips);
  QCOMPARE(m_window->horizontalBar()->value(), 300);
}

void TestImageLoading::newPictureWipesDrawingsAndKeepsScrollValues() {
  const QString path = picture(u"wide.png"_s, QSize(2000, 1000), QImage::Format_RGB32);
  load(path);
  m_window->horizontalBar()->setValue(1500);
  m_window->canvas()->surface().drawBox(QPointF(150, 150), QPointF(1500, 1500), Qt::red);
  const ValueSheet before;
  m_window->valueSheet().setText(Field::x軸係数, u"0.06944"_s);
  QCOMPARE(load(path), QString());
  QCOMPARE(m_window->canvas()->surface().layer().tileCount(), 0);
  QCOMPARE(m_window->horizontalBar()->value(), 1500);
  QCOMPARE(m_window->canvas()->pos().x(), -100);
  QCOMPARE(m_window->valueSheet().text(Field::x軸係数), u"0.06944"_s);
  // A narrower picture has nothing to scroll.
  load(picture(u"small.png"_s, QSize(300, 200), QImage::Format_RGB32));
  QCOMPARE(m_window->horizontalBar()->maximum(), 0);
  QCOMPARE(m_window->canvas()->pos(), QPoint(0, 0));
}

void TestImageLoading::wheelScrollsTheCanvas() {
  load(picture(u"tall.png"_s, QSize(800, 3000), QImage::Format_RGB32));
  CanvasWidget* canvas = m_window->canvas();
  QWheelEvent down(QPointF(50, 50), canvas->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &down);
  QCOMPARE(m_window->verticalBar()->value(), 900);
  QCOMPARE(canvas->pos(), QPoint(0, -60));
}

QTEST_MAIN(TestImageLoading)
#include "tst_imageloading.moc"

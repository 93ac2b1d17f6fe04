// Pictures decoded behind the window: what is decoded shows while the rest
// is on its way, a file damaged half-way gives back the picture before, and
// a new picture or closing the window stops the decode.
#include "../picture/SamplePictures.h"
#include "CanvasWidget.h"
#include "HeldDecoder.h"
#include "ModalAnswer.h"
#include "PictureLoader.h"
#include "RasterPicture.h"
#include "ScriptedWindow.h"
#include "Spoken.h"

#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <new>
#include <stdexcept>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestDecodingWindow : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void badJpegs_data();
  void badJpegs();
  void decodedRowsShowAndTheRestWaits();
  void tilesLargerThanThePicture_data();
  void tilesLargerThanThePicture();
  void damagedHalfWayBringsThePictureBack_data();
  void damagedHalfWayBringsThePictureBack();
  void newLoadCancelsTheDecode();
  void closingDuringADecode();

 private:
  HeldDecoder* held(QSize size, int early);
  QString loadExpectingMessage(const QString& path);
  MainWindow& window() { return m_scripted->window; }

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  QSemaphore m_release;
  std::atomic<bool> m_sawCancel = false;
};

void TestDecodingWindow::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  m_release.acquire(m_release.available());
  m_sawCancel = false;
}

void TestDecodingWindow::cleanup() {
  m_release.release(100);  // nothing waits for ever, whatever failed
  m_scripted.reset();
}

HeldDecoder* TestDecodingWindow::held(QSize size, int early) {
  auto decoder = std::make_unique<HeldDecoder>(size, early, &m_release, &m_sawCancel);
  HeldDecoder* raw = decoder.get();
  window().showDecoding(std::move(decoder));
  return raw;
}

QString TestDecodingWindow::loadExpectingMessage(const QString& path) {
  QString told;
  answerNextModal([&told](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      told = box->text();
      box->accept();
    }
  });
  m_scripted->files->answers = {path};
  m_scripted->run(u"A11"_s);
  return QTest::qWaitFor([&told] { return !told.isEmpty(); }) ? told : QString();
}

void TestDecodingWindow::badJpegs_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("message");
  const QByteArray good = writeJpeg(QSize(400, 300), {});
  const QByteArray progressive = writeJpeg(QSize(400, 300), {2, 2, false, 0, true});
  const QString damaged = u"画像データが途中で切れているか、壊れています。"_s;
  QTest::newRow("ends early") << good.left(good.size() / 2) << damaged;
  QTest::newRow("progressive, ends early")
      << progressive.left(progressive.size() * 2 / 3) << damaged;
  // A scan header of the progressive file made nonsense.
  QByteArray corrupt = progressive;
  const qsizetype secondScan = corrupt.indexOf("\xff\xda", corrupt.indexOf("\xff\xda") + 2);
  corrupt[secondScan + 5] = char(0x77);
  QTest::newRow("progressive, corrupt") << corrupt << damaged;
  // A header that promises more than the machine holds: refused before a
  // byte of it is allocated.
  QByteArray bomb = good;
  const qsizetype frame = bomb.indexOf("\xff\xc0");
  bomb[frame + 5] = char(0xfd);
  bomb[frame + 6] = char(0xe8);
  bomb[frame + 7] = char(0xfd);
  bomb[frame + 8] = char(0xe8);
  QTest::newRow("header bomb") << bomb << u"画像が大きすぎて開けません（65000 × 65000 画素）。"_s;
}

void TestDecodingWindow::badJpegs() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, message);
  const QString before = m_dir->filePath(u"before.png"_s);
  QImage green(300, 200, QImage::Format_RGB32);
  green.fill(Qt::green);
  QVERIFY(green.save(before));
  m_scripted->files->answers = {before};
  m_scripted->run(u"A11"_s);
  m_scripted->choose(u"C11"_s, 3);  // 円
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, QPoint(60, 50));
  const QImage drawn = window().canvas()->surface().composed(QRect(0, 0, 300, 200));
  window().zoomIn();
  const double zoom = window().canvas()->zoom();

  const QString bad = m_dir->filePath(u"bad.jpg"_s);
  QVERIFY(save(bad, bytes));
  const QString told = loadExpectingMessage(bad);
  QVERIFY2(told.startsWith(message), qPrintable(told));
  // The picture before is back as it was: its drawing, its zoom, its undo.
  const PictureCanvas& surface = window().canvas()->surface();
  QCOMPARE(surface.size(), QSize(300, 200));
  QCOMPARE(surface.composed(QRect(0, 0, 300, 200)), drawn);
  QCOMPARE(window().canvas()->zoom(), zoom);
  QVERIFY(window().history().canUndo());
  QVERIFY(!window().loadingIndicator()->isVisible());
}

// A JPEG read in several scans has every coefficient held (2 bytes a
// sample) until its last scan, and the preview holds them a second time:
// a few megabytes of file can need 15 bytes a pixel against the 4 of its
// picture. The frame header is made to claim a larger picture, so only the
// header is read.

void TestDecodingWindow::decodedRowsShowAndTheRestWaits() {
  held(QSize(400, 300), 100);
  const PictureCanvas& surface = window().canvas()->surface();
  QCOMPARE(surface.size(), QSize(400, 300));
  QTRY_COMPARE(window().loadingIndicator()->value(), 33);  // 100 rows of 300
  QVERIFY(window().loadingIndicator()->isVisible());
  QCOMPARE(window().loadingIndicator()->text(), u"読み込み中 33%"_s);
  const Spoken bar = spoken(window().loadingIndicator());
  QCOMPARE(bar.name, u"画像の読み込み"_s);
  QCOMPARE(bar.value, u"33"_s);
  QImage shown = surface.composed(QRect(0, 0, 400, 300));
  QCOMPARE(shown.pixel(10, 99), qRgb(40, 40, 40));
  QCOMPARE(shown.pixel(10, 100), Picture::placeholder().rgb());
  // Zoomed far out, the reduced copy follows the decode a strip at a time.
  const auto zoomedOut = [&surface] {
    QImage out(50, 38, QImage::Format_RGB32);
    QPainter painter(&out);
    surface.paint(painter, out.rect(), 0.125);
    return out;
  };
  QTRY_COMPARE(zoomedOut().pixel(5, 3), qRgb(40, 40, 40));
  QCOMPARE(zoomedOut().pixel(5, 30), Picture::placeholder().rgb());

  // A capture over what is not decoded yet: measured and drawn all the same.
  m_scripted->choose(u"C11"_s, 2);  // 線
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, QPoint(20, 200));
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, QPoint(300, 200));
  QCOMPARE(window().valueSheet().text(Field::up座標x), u"4500"_s);
  shown = surface.composed(QRect(0, 0, 400, 300));
  QVERIFY(shown.pixel(150, 200) != Picture::placeholder().rgb());

  m_release.release();
  QTRY_VERIFY(!window().loadingIndicator()->isVisible());
  window().canvas()->waitForPyramid();
  shown = surface.composed(QRect(0, 0, 400, 300));
  QCOMPARE(shown.pixel(10, 250), qRgb(40, 40, 40));
  QVERIFY(shown.pixel(150, 200) != qRgb(40, 40, 40));  // the line stayed on top
  QVERIFY(window().history().canUndo());
}

// A few hundred bytes whose tile would take a terabyte (or 4 GiB, zeroed)
// are damaged, said before a byte of the tile is allocated; a tile of a
// common size on a smaller picture is as writers make them.

void TestDecodingWindow::tilesLargerThanThePicture_data() {
  QTest::addColumn<quint32>("tile");
  QTest::addColumn<bool>("opens");
  QTest::newRow("1,048,576-pixel tiles") << (quint32(1) << 20) << false;
  QTest::newRow("65,536-pixel tiles") << (quint32(1) << 16) << false;
  QTest::newRow("2,048-pixel tiles") << quint32(2048) << false;
  QTest::newRow("256-pixel tiles") << quint32(256) << true;
}

void TestDecodingWindow::tilesLargerThanThePicture() {
  QFETCH(quint32, tile);
  QFETCH(bool, opens);
  const QString path = m_dir->filePath(u"tiles.tif"_s);
  QVERIFY(save(path, oneTileTiff(tile)));
  OpenedPicture opened = openPictureFile(path);
  QCOMPARE(bool(opened.decoder), opens);
  if (opens) {
    const std::shared_ptr<RasterPicture> picture =
        RasterPicture::decoding(std::move(opened.decoder));
    QVERIFY(picture);
    picture->waitUntilReady();
    QVERIFY(picture->isDecoded());
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        QCOMPARE(qGray(picture->image().pixel(x, y)),
                 int(tileByte(quint32(y) * tile + quint32(x))));
      }
    }
    return;
  }
  QVERIFY2(opened.error.startsWith(u"画像データが途中で切れているか、壊れています。"_s),
           qPrintable(opened.error));
  // Through the window: told, and nothing else changes.
  const QString told = loadExpectingMessage(path);
  QVERIFY2(told.startsWith(u"画像データが途中で切れているか、壊れています。"_s), qPrintable(told));
  QVERIFY(!window().loadingIndicator()->isVisible());
}

// A TIFF that another program shortens while it is read (a scanner tool or
// an editor saving over it) is damaged, and the program goes on.

void TestDecodingWindow::damagedHalfWayBringsThePictureBack_data() {
  QTest::addColumn<HeldDecoder::End>("end");
  QTest::newRow("told damaged") << HeldDecoder::End::Damaged;
  QTest::newRow("out of memory") << HeldDecoder::End::OutOfMemory;
  QTest::newRow("other exception") << HeldDecoder::End::Throws;
}

void TestDecodingWindow::damagedHalfWayBringsThePictureBack() {
  QFETCH(HeldDecoder::End, end);
  held(QSize(200, 100), 100);
  m_release.release();
  window().canvas()->waitForPyramid();
  HeldDecoder* failing = held(QSize(400, 300), 50);
  failing->end = end;
  QCOMPARE(window().canvas()->surface().size(), QSize(400, 300));
  QString told;
  answerNextModal([&told](QWidget* modal) {
    told = qobject_cast<QMessageBox*>(modal)->text();
    qobject_cast<QMessageBox*>(modal)->accept();
  });
  m_release.release();
  QTRY_VERIFY(!told.isEmpty());
  QVERIFY2(told.startsWith(u"画像データが途中で切れているか、壊れています。"_s), qPrintable(told));
  QCOMPARE(window().canvas()->surface().size(), QSize(200, 100));
  QCOMPARE(window().canvas()->surface().composed(QRect(5, 5, 1, 1)).pixel(0, 0), qRgb(40, 40, 40));
}

void TestDecodingWindow::newLoadCancelsTheDecode() {
  held(QSize(2000, 1500), 10);
  QImage red(120, 80, QImage::Format_RGB32);
  red.fill(Qt::red);
  const QString path = m_dir->filePath(u"red.png"_s);
  QVERIFY(red.save(path));
  m_scripted->files->answers = {path};
  m_scripted->run(u"A11"_s);
  QVERIFY(m_sawCancel.load());
  QCOMPARE(window().canvas()->surface().size(), QSize(120, 80));
  QCOMPARE(window().canvas()->surface().composed(QRect(5, 5, 1, 1)).pixel(0, 0), qRgb(255, 0, 0));
  QVERIFY(!window().loadingIndicator()->isVisible());
}

// A JPEG in several scans is read whole before its first row comes out:
// asked meanwhile to stop, the decode stops there, with no row and nothing
// to tell.

void TestDecodingWindow::closingDuringADecode() {
  held(QSize(2000, 1500), 10);
  QVERIFY(window().loadingIndicator()->isVisible());
  m_scripted.reset();
  QVERIFY(m_sawCancel.load());
}

QTEST_MAIN(TestDecodingWindow)
#include "tst_decodingwindow.moc"

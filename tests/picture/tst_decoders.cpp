// The decoders on their own: the JPEG planes give exactly libjpeg-turbo's
// own colours, the toolkit's pixels come row by row, and damaged, cut,
// oversized and shortened files are told, never read out of bounds.
#include "../picture/SamplePictures.h"
#include "BandOrder.h"
#include "JpegDecoder.h"
#include "PictureLoader.h"
#include "PngDecoder.h"
#include "RasterPicture.h"
#include "TiffDecoder.h"

#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <QSemaphore>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>
#include <stdexcept>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// Named as the toolkit's JPEG reader names its warnings.
Q_LOGGING_CATEGORY(lcLikeTheReader, "qt.gui.imageio.jpeg")

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// The store a decoder asked for, its rows where the decoder writes them.
bool prepared(PictureDecoder& decoder, PixelStore& store) {
  if (!decoder.prepare(store)) {
    return false;
  }
  store.bits = store.image.bits();
  store.stride = store.image.bytesPerLine();
  return true;
}

// Allocations this thread may still make before one fails, once; -1 for
// no end.
thread_local int t_allocationsLeft = -1;

// While counting, the bytes of the large blocks asked for on any thread.
std::atomic<bool> g_counting = false;
std::atomic<qint64> g_largeBytes = 0;
constexpr std::size_t kLarge = 64 * 1024;

}  // namespace

void* operator new(std::size_t bytes) {
  if (t_allocationsLeft == 0) {
    t_allocationsLeft = -1;
    throw std::bad_alloc();
  }
  if (t_allocationsLeft > 0) {
    --t_allocationsLeft;
  }
  if (bytes >= kLarge && g_counting.load()) {
    g_largeBytes += qint64(bytes);
  }
  if (void* p = std::malloc(bytes ? bytes : 1)) {
    return p;
  }
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

class TestDecoders : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void planesGiveTheDecodersOwnColours_data();
  void planesGiveTheDecodersOwnColours();
  void rowByRowGivesTheToolkitsPixels_data();
  void rowByRowGivesTheToolkitsPixels();
  void multiScanJpegsCountWhatTheyHold_data();
  void multiScanJpegsCountWhatTheyHold();
  void cutJpegStopsWhereItEnds_data();
  void cutJpegStopsWhereItEnds();
  void exifOrientation_data();
  void exifOrientation();
  void toolkitJpegsThatEndEarly_data();
  void toolkitJpegsThatEndEarly();
  void othersWarningsAreNotTheReaders();
  void badTiffsAndPngs_data();
  void badTiffsAndPngs();
  void shortenedWhileRead_data();
  void shortenedWhileRead();
  void multiScanJpegsStopWhileReadingTheirScans_data();
  void multiScanJpegsStopWhileReadingTheirScans();
  void toolkitReadsStopWhenCancelled_data();
  void toolkitReadsStopWhenCancelled();
  void tiffsSideBySide_data();
  void tiffsSideBySide();
  void tiffCancelledHalfWay_data();
  void tiffCancelledHalfWay();
  void tiffReplacedBeforeItsThreadsOpenIt();
  void tiffDecodeOutOfMemoryAnywhere();
  void tiffTilesWiderThanThePicture();
  void bandOrder_data();
  void bandOrder();
  void coarsePassShowsTheWholeSheet();
  void decodeWaitsForAWantedPreview();
  void previewOutOfMemoryLeavesNothingWaiting();
  void reducedFromTheRowsAsFromAConversion_data();
  void reducedFromTheRowsAsFromAConversion();
  void reducedCopyWithNoMemoryGivesUp();

 private:
  // Made before the first table too, which writes pictures into it.
  std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDecoders::initTestCase() {
  m_dir = std::make_unique<QTemporaryDir>();
}

void TestDecoders::init() {
  m_dir = std::make_unique<QTemporaryDir>();
}

void TestDecoders::planesGiveTheDecodersOwnColours_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("across");
  QTest::addColumn<int>("down");
  QTest::addColumn<bool>("grey");
  QTest::addColumn<int>("restartRows");
  QTest::addColumn<bool>("progressive");
  QTest::addColumn<bool>("keptAsPlanes");
  QTest::newRow("4:4:4") << QSize(37, 23) << 1 << 1 << false << 0 << false << true;
  QTest::newRow("4:2:2") << QSize(37, 23) << 2 << 1 << false << 0 << false << true;
  QTest::newRow("4:2:0") << QSize(37, 23) << 2 << 2 << false << 0 << false << true;
  QTest::newRow("4:4:0") << QSize(37, 23) << 1 << 2 << false << 0 << false << true;
  QTest::newRow("grey") << QSize(37, 23) << 1 << 1 << true << 0 << false << false;
  QTest::newRow("4:2:0 odd, restarts") << QSize(333, 211) << 2 << 2 << false << 1 << false << true;
  QTest::newRow("4:2:2 restarts") << QSize(120, 64) << 2 << 1 << false << 2 << false << true;
  QTest::newRow("4:2:0 progressive") << QSize(301, 157) << 2 << 2 << false << 0 << true << true;
  QTest::newRow("4:2:0 narrowest") << QSize(5, 3) << 2 << 2 << false << 0 << false << true;
  // Chroma two samples wide is widened by copying: left to a whole decode.
  QTest::newRow("4:2:0 too narrow") << QSize(4, 9) << 2 << 2 << false << 0 << false << false;
  QTest::newRow("4:2:0 one pixel") << QSize(1, 1) << 2 << 2 << false << 0 << false << false;
}

void TestDecoders::planesGiveTheDecodersOwnColours() {
  QFETCH(QSize, size);
  QFETCH(int, across);
  QFETCH(int, down);
  QFETCH(bool, grey);
  QFETCH(int, restartRows);
  QFETCH(bool, progressive);
  QFETCH(bool, keptAsPlanes);
  const QByteArray bytes = writeJpeg(size, {across, down, grey, restartRows, progressive});
  const QString path = m_dir->filePath(u"picture.jpg"_s);
  QVERIFY(save(path, bytes));

  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.error.isEmpty(), qPrintable(opened.error));
  QVERIFY(dynamic_cast<JpegDecoder*>(opened.decoder.get()));
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(opened.decoder));
  QVERIFY(picture);
  picture->waitUntilReady();
  QVERIFY(picture->isDecoded());
  QCOMPARE(picture->image().isNull(), keptAsPlanes);
  const QImage shown =
      picture->pixels(QRect(QPoint(0, 0), size)).convertToFormat(QImage::Format_RGB32);
  const QImage expected = libjpegRgb(bytes);
  QCOMPARE(shown.size(), expected.size());
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      if (shown.pixel(x, y) != expected.pixel(x, y)) {
        QFAIL(qPrintable(u"(%1, %2): %3 instead of %4"_s.arg(x)
                             .arg(y)
                             .arg(shown.pixel(x, y), 8, 16)
                             .arg(expected.pixel(x, y), 8, 16)));
      }
    }
  }
  // Pieces convert as the whole does, wherever they start.
  const QRect piece(size.width() / 3, size.height() / 3, size.width() / 2 + 1,
                    size.height() / 2 + 1);
  QCOMPARE(picture->pixels(piece).convertToFormat(QImage::Format_RGB32), expected.copy(piece));
}

void TestDecoders::rowByRowGivesTheToolkitsPixels_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QImage::Format>("format");
  QTest::addColumn<bool>("ours");  // read row by row, not by the toolkit
  const auto row = [](const char* tag, const char* name, QImage::Format format, bool ours) {
    QTest::newRow(tag) << QString::fromLatin1(name) << format << ours;
  };
  row("TIFF 1-bit", "a.tif", QImage::Format_Mono, true);
  row("TIFF grey", "a.tif", QImage::Format_Grayscale8, true);
  row("TIFF palette", "a.tif", QImage::Format_Indexed8, true);
  row("TIFF RGB", "a.tif", QImage::Format_RGB32, true);
  row("TIFF RGBA", "a.tif", QImage::Format_ARGB32, false);
  row("TIFF tiled grey", "tiled.tif", QImage::Format_Grayscale8, true);
  row("PNG grey", "a.png", QImage::Format_Grayscale8, true);
  row("PNG RGB", "a.png", QImage::Format_RGB32, true);
  row("PNG RGBA", "a.png", QImage::Format_ARGB32, true);
  row("PNG palette", "a.png", QImage::Format_Indexed8, false);
  row("PNG 1-bit", "a.png", QImage::Format_Mono, false);
  row("PNG 16-bit", "a.png", QImage::Format_RGBA64, false);
}

void TestDecoders::rowByRowGivesTheToolkitsPixels() {
  QFETCH(QString, name);
  QFETCH(QImage::Format, format);
  QFETCH(bool, ours);
  const QString path = m_dir->filePath(name);
  const QImage written = pattern(QSize(333, 147), format);
  if (name == u"tiled.tif") {
    QVERIFY(writeTiledTiff(path, written));
  } else {
    QImageWriter writer(path);
    writer.setCompression(1);
    QVERIFY2(writer.write(written), qPrintable(writer.errorString()));
  }
  const QImage toolkit = QImageReader(path).read();
  QVERIFY(!toolkit.isNull());

  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.error.isEmpty(), qPrintable(opened.error));
  const bool rowByRow = dynamic_cast<TiffDecoder*>(opened.decoder.get()) ||
                        dynamic_cast<PngDecoder*>(opened.decoder.get());
  QCOMPARE(rowByRow, ours);
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(opened.decoder));
  QVERIFY(picture);
  picture->waitUntilReady();
  QVERIFY(picture->isDecoded());
  // The same pixels, in no more bytes than the toolkit's.
  QVERIFY(picture->image().depth() <= toolkit.depth());
  QCOMPARE(picture->image().convertToFormat(QImage::Format_ARGB32),
           toolkit.convertToFormat(QImage::Format_ARGB32));
}

void TestDecoders::multiScanJpegsCountWhatTheyHold_data() {
  QTest::addColumn<bool>("grey");
  QTest::addColumn<bool>("progressive");
  QTest::addColumn<QSize>("claimed");
  QTest::addColumn<int>("limitPerPixel");  // bytes the machine allows a pixel
  QTest::addColumn<bool>("opens");
  const QSize small(1200, 1000);  // no preview
  const QSize large(3000, 2000);  // with a preview
  QTest::newRow("one scan") << false << false << small << 5 << true;
  QTest::newRow("progressive 4:2:0") << false << true << small << 5 << false;
  QTest::newRow("progressive grey") << true << true << small << 5 << false;
  QTest::newRow("progressive 4:2:0, room for its coefficients")
      << false << true << small << 8 << true;
  QTest::newRow("one scan, with a preview") << false << false << large << 5 << true;
  QTest::newRow("progressive 4:2:0, with a preview") << false << true << large << 8 << false;
}

void TestDecoders::multiScanJpegsCountWhatTheyHold() {
  QFETCH(bool, grey);
  QFETCH(bool, progressive);
  QFETCH(QSize, claimed);
  QFETCH(int, limitPerPixel);
  QFETCH(bool, opens);
  QByteArray bytes = writeJpeg(QSize(64, 48), {2, 2, grey, 0, progressive});
  const qsizetype frame = bytes.indexOf(progressive ? "\xff\xc2" : "\xff\xc0");
  QVERIFY(frame > 0);
  bytes[frame + 5] = char(claimed.height() >> 8);
  bytes[frame + 6] = char(claimed.height() & 0xff);
  bytes[frame + 7] = char(claimed.width() >> 8);
  bytes[frame + 8] = char(claimed.width() & 0xff);
  const QString path = m_dir->filePath(u"claims.jpg"_s);
  QVERIFY(save(path, bytes));
  const qint64 limit = qint64(claimed.width()) * claimed.height() * limitPerPixel;
  QString error;
  const std::unique_ptr<JpegDecoder> decoder = JpegDecoder::open(path, limit, error);
  QCOMPARE(bool(decoder), opens);
  if (!opens) {
    QVERIFY2(error.startsWith(u"画像が大きすぎて開けません（%1 × %2 画素）。"_s.arg(claimed.width())
                                  .arg(claimed.height())),
             qPrintable(error));
  }
}

void TestDecoders::cutJpegStopsWhereItEnds_data() {
  QTest::addColumn<bool>("grey");
  QTest::newRow("colour, as planes") << false;
  QTest::newRow("grey, row by row") << true;
}

// The library makes up the rows after the end of a file cut short: none of
// them is decoded, let alone told as decoded, before the file is called
// damaged (a header can promise a picture of any height).

void TestDecoders::cutJpegStopsWhereItEnds() {
  QFETCH(bool, grey);
  const QSize size(64, 2048);
  const QByteArray bytes = writeJpeg(size, {2, 2, grey, 0, false});
  const QString path = m_dir->filePath(u"cut.jpg"_s);
  QVERIFY(save(path, bytes.left(bytes.size() / 4)));
  QString error;
  const std::unique_ptr<JpegDecoder> decoder = JpegDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  PixelStore store;
  QVERIFY(decoder->prepare(store));
  QCOMPARE(store.planes.isNull(), grey);
  if (grey) {
    store.bits = store.image.bits();
    store.stride = store.image.bytesPerLine();
  }
  int told = 0;
  const PictureDecoder::Result result = decoder->decode(
      store, [&told](int rows) { told = rows; }, [] { return false; });
  QVERIFY(result.error);
  QVERIFY2(told < size.height() / 2, qPrintable(QString::number(told)));
}

void TestDecoders::exifOrientation_data() {
  QTest::addColumn<QByteArray>("exifData");
  QTest::addColumn<QSize>("opened");
  QTest::newRow("as stored") << exif(8, 1, 1) << QSize(40, 30);
  QTest::newRow("turned a quarter") << exif(8, 1, 6) << QSize(30, 40);
  // Offsets that point past the segment, or wrap round when added to, are
  // no orientation at all.
  QTest::newRow("directory past the end") << exif(0xfffffffe, 1, 6) << QSize(40, 30);
  QTest::newRow("entries past the end") << exif(8, 0xffff, 1) << QSize(40, 30);
}

void TestDecoders::exifOrientation() {
  QFETCH(QByteArray, exifData);
  QFETCH(QSize, opened);
  const QString path = m_dir->filePath(u"exif.jpg"_s);
  QVERIFY(save(path, writeJpeg(QSize(40, 30), {}, exifData)));
  const OpenedPicture picture = openPictureFile(path);
  QVERIFY2(picture.decoder, qPrintable(picture.error));
  QCOMPARE(picture.decoder->size(), opened);
}

// JPEGs turned by their EXIF tag are the toolkit's to read; its reader
// fills one that ends early with grey and calls that success.

void TestDecoders::toolkitJpegsThatEndEarly_data() {
  QTest::addColumn<double>("kept");  // of the file's bytes
  QTest::addColumn<bool>("damaged");
  QTest::newRow("whole") << 1.0 << false;
  QTest::newRow("ends half-way") << 0.5 << true;
  QTest::newRow("ends in its last rows") << 0.97 << true;
}

void TestDecoders::toolkitJpegsThatEndEarly() {
  QFETCH(double, kept);
  QFETCH(bool, damaged);
  const QByteArray whole = writeJpeg(QSize(400, 300), {}, exif(8, 1, 6));
  const QString path = m_dir->filePath(u"turned.jpg"_s);
  QVERIFY(save(path, whole.left(qsizetype(double(whole.size()) * kept))));
  const QString message = u"画像データが途中で切れているか、壊れています。"_s;
  // As the window opens it: the header here, the pixels on a worker.
  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.decoder, qPrintable(opened.error));
  QVERIFY(!dynamic_cast<JpegDecoder*>(opened.decoder.get()));
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(opened.decoder));
  QVERIFY(picture);
  bool finished = false;
  std::optional<QString> problem;
  picture->setFinishedHandler([&](const std::optional<QString>& p) {
    finished = true;
    problem = p;
  });
  picture->waitUntilReady();
  QVERIFY(finished);
  QCOMPARE(problem.has_value(), damaged);
  QVERIFY(!damaged || problem->startsWith(message));
  // As a picture named when the program starts is read: whole, here.
  const LoadedPicture loaded = loadPicture(path);
  QCOMPARE(loaded.image.isNull(), damaged);
  QVERIFY2(damaged ? loaded.error.startsWith(message) : loaded.error.isEmpty(),
           qPrintable(loaded.error));
}

// A picture read on a worker takes no notice of what other threads log
// meanwhile, even a warning worded as the toolkit's reader words a file
// that ends early.

void TestDecoders::othersWarningsAreNotTheReaders() {
  const QString path = m_dir->filePath(u"turned.jpg"_s);
  QVERIFY(save(path, writeJpeg(QSize(3000, 2000), {}, exif(8, 1, 6))));
  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.decoder, qPrintable(opened.error));
  QVERIFY(!dynamic_cast<JpegDecoder*>(opened.decoder.get()));
  const QtMessageHandler before = qInstallMessageHandler(ignoreMessage);
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(opened.decoder));
  bool finished = false;
  std::optional<QString> problem;
  picture->setFinishedHandler([&](const std::optional<QString>& p) {
    finished = true;
    problem = p;
  });
  // Logged from before the read starts until after it ends.
  while (!finished) {
    qCWarning(lcLikeTheReader, "Premature end of JPEG file");
    QCoreApplication::processEvents();
  }
  qInstallMessageHandler(before);
  QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
  QVERIFY(picture->isDecoded());
}

void TestDecoders::badTiffsAndPngs_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("message");
  const auto written = [this](const QString& name, QImage::Format format) {
    const QString path = m_dir->filePath(u"written-"_s + name);
    QImageWriter writer(path);
    writer.setCompression(1);
    writer.write(pattern(QSize(300, 400), format));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const QString damaged = u"画像データが途中で切れているか、壊れています。"_s;
  const QByteArray tiff = written(u"a.tif"_s, QImage::Format_Grayscale8);
  const QByteArray png = written(u"a.png"_s, QImage::Format_RGB32);
  QVERIFY(!tiff.isEmpty() && !png.isEmpty());
  // The toolkit's TIFF writer puts the directory after the strips: cut the
  // strips, keep the directory.
  QByteArray cutStrips = tiff;
  cutStrips.replace(200, tiff.size() / 2, QByteArray(tiff.size() / 2, '\xff'));
  QTest::newRow("TIFF strips overwritten") << u"a.tif"_s << cutStrips << damaged;
  QTest::newRow("PNG ends early") << u"a.png"_s << png.left(png.size() / 2) << damaged;
  QByteArray pngBomb = png;
  pngBomb.replace(16, 8, QByteArray("\x00\x00\xfd\xe8\x00\x00\xfd\xe8", 8));
  const quint32 crc = crc32(pngBomb.mid(12, 17));  // the IHDR chunk's type and data
  for (int i = 0; i < 4; ++i) {
    pngBomb[29 + i] = char(crc >> (24 - 8 * i));
  }
  QTest::newRow("PNG header bomb")
      << u"a.png"_s << pngBomb << u"画像が大きすぎて開けません（65000 × 65000 画素）。"_s;
  // 65000 x 65000 grey pixels in one strip of 16 bytes.
  QByteArray tiffBomb("II*\0\x08\0\0\0\x07\0", 10);
  const auto entry = [&tiffBomb](quint16 tag, quint16 type, quint32 value) {
    for (const quint32 part : {quint32(tag), quint32(type)}) {
      tiffBomb.append(char(part & 0xff)).append(char(part >> 8));
    }
    tiffBomb.append(QByteArray("\x01\0\0\0", 4));
    for (int i = 0; i < 4; ++i) {
      tiffBomb.append(char(value >> (8 * i) & 0xff));
    }
  };
  entry(256, 4, 65000);  // width
  entry(257, 4, 65000);  // length
  entry(258, 3, 8);      // bits a sample
  entry(262, 3, 1);      // black is zero
  entry(273, 4, 94);     // where the strip is
  entry(278, 4, 65000);  // rows in the strip
  entry(279, 4, 16);     // the strip's bytes
  tiffBomb.append(QByteArray(4, '\0')).append(QByteArray(16, '\x80'));
  QTest::newRow("TIFF header bomb")
      << u"a.tif"_s << tiffBomb << u"画像が大きすぎて開けません（65000 × 65000 画素）。"_s;
}

void TestDecoders::badTiffsAndPngs() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(QString, message);
  const QString path = m_dir->filePath(name);
  QVERIFY(save(path, bytes));
  OpenedPicture opened = openPictureFile(path);
  QString problem = opened.error;
  if (opened.decoder) {
    const std::shared_ptr<RasterPicture> picture =
        RasterPicture::decoding(std::move(opened.decoder));
    QVERIFY(picture);
    picture->setFinishedHandler(
        [&problem](const std::optional<QString>& p) { problem = p.value_or(QString()); });
    picture->waitUntilReady();
  }
  QVERIFY2(problem.startsWith(message), qPrintable(problem));
}

void TestDecoders::shortenedWhileRead_data() {
  QTest::addColumn<bool>("tiled");
  QTest::addColumn<int>("afterRows");  // 0: once the header is read
  QTest::newRow("strips, after the header") << false << 0;
  QTest::newRow("strips, half-way") << false << 16;
  QTest::newRow("tiles, after the header") << true << 0;
  QTest::newRow("tiles, half-way") << true << 32;
}

void TestDecoders::shortenedWhileRead() {
  QFETCH(bool, tiled);
  QFETCH(int, afterRows);
  const QString path = m_dir->filePath(u"shortened.tif"_s);
  const QImage grey = pattern(QSize(600, 800), QImage::Format_Grayscale8);
  if (tiled) {
    QVERIFY(writeTiledTiff(path, grey));
  } else {
    QImageWriter writer(path);
    writer.setCompression(0);
    QVERIFY2(writer.write(grey), qPrintable(writer.errorString()));
  }
  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  // The pixels lie before the directory, which is read already: what is
  // cut is pixels.
  constexpr qint64 kLeft = 4096;
  bool shortened = afterRows == 0 && QFile::resize(path, kLeft);
  int done = 0;
  const PictureDecoder::Result result = decoder->decode(
      store,
      [&](int rows) {
        done = rows;
        if (!shortened && rows >= afterRows) {
          shortened = QFile::resize(path, kLeft);
        }
      },
      [] { return false; });
  QVERIFY(shortened);
  QVERIFY(result.error);
  QVERIFY2(result.error->startsWith(u"画像データが途中で切れているか、壊れています。"_s),
           qPrintable(*result.error));
  QVERIFY(done < grey.height());
}

void TestDecoders::multiScanJpegsStopWhileReadingTheirScans_data() {
  QTest::addColumn<bool>("grey");
  QTest::newRow("colour, as planes") << false;
  QTest::newRow("grey") << true;
}

void TestDecoders::multiScanJpegsStopWhileReadingTheirScans() {
  QFETCH(bool, grey);
  const QString path = m_dir->filePath(u"progressive.jpg"_s);
  QVERIFY(save(path, writeJpeg(QSize(640, 480), {2, 2, grey, 0, true})));
  QString error;
  const std::unique_ptr<JpegDecoder> decoder = JpegDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  int asked = 0;
  int rows = 0;
  const PictureDecoder::Result result = decoder->decode(
      store, [&rows](int n) { rows = n; }, [&asked] { return ++asked > 1; });
  QVERIFY(!result.error);
  QCOMPARE(rows, 0);
  QCOMPARE(asked, 2);
}

// The toolkit's readers cannot be told to stop: the file they read through
// fails once the decode is cancelled, and the decode hands over nothing.
// (A PNG's reader stops at the failed read; a JPEG's still makes up the
// rest of its rows.)

void TestDecoders::toolkitReadsStopWhenCancelled_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("JPEG turned by its EXIF tag") << u"turned.jpg"_s;
  QTest::newRow("PNG with a palette") << u"palette.png"_s;
}

void TestDecoders::toolkitReadsStopWhenCancelled() {
  QFETCH(QString, name);
  const QString path = m_dir->filePath(name);
  if (name.endsWith(u".jpg"_s)) {
    QVERIFY(save(path, writeJpeg(QSize(1200, 900), {}, exif(8, 1, 6))));
  } else {
    QImageWriter writer(path);
    writer.setCompression(1);
    QVERIFY(writer.write(pattern(QSize(1200, 900), QImage::Format_Indexed8)));
  }
  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.decoder, qPrintable(opened.error));
  QVERIFY(!dynamic_cast<JpegDecoder*>(opened.decoder.get()) &&
          !dynamic_cast<PngDecoder*>(opened.decoder.get()));
  PixelStore store;
  QVERIFY(opened.decoder->prepare(store));
  int asked = 0;
  const PictureDecoder::Result result = opened.decoder->decode(
      store, [](int) {}, [&asked] { return ++asked > 1; });
  QVERIFY(!result.error);
  QVERIFY(result.whole.isNull());
  QVERIFY(asked > 1);
}

namespace {

// A picture whose rows vary, and whose strips therefore compress each to a
// size of its own; its top third flat, so that those strips are small.
QImage unevenPattern(QSize size, QImage::Format format) {
  QImage image = pattern(size, format);
  for (int y = 0; y < size.height() / 3; ++y) {
    std::memset(image.scanLine(y), 0x55, std::size_t(image.bytesPerLine()));
  }
  return image;
}

// What a TIFF decode told: the rows complete from the top, in turn, and
// each band as it came.
struct Told {
  std::vector<int> rows;
  std::vector<std::pair<int, int>> bands;
};

}  // namespace

// Strips and tiles decoded side by side, each thread with the file open on
// its own, give the toolkit's pixels, whatever order the pieces lie in the
// file and whatever their sizes; the rows from the top are told in order,
// and every band once.

void TestDecoders::tiffsSideBySide_data() {
  QTest::addColumn<QImage::Format>("format");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("rowsPerStrip");
  QTest::addColumn<int>("tile");  // 0: strips
  QTest::addColumn<bool>("backwards");
  QTest::addColumn<int>("threads");
  QTest::addColumn<bool>("interleaved");
  const auto grey = QImage::Format_Grayscale8;
  const QSize tall(150, 3000);
  QTest::newRow("strips, one thread, top to bottom")
      << grey << tall << 20 << 0 << false << 1 << false;
  QTest::newRow("strips, one thread, interleaved") << grey << tall << 20 << 0 << false << 1 << true;
  QTest::newRow("strips, three threads") << grey << tall << 20 << 0 << false << 3 << false;
  QTest::newRow("strips, three threads, interleaved")
      << grey << tall << 20 << 0 << false << 3 << true;
  QTest::newRow("strips last to first, the last one short")
      << grey << QSize(150, 2999) << 23 << 0 << true << 2 << true;
  QTest::newRow("a row a strip") << grey << QSize(90, 1500) << 1 << 0 << false << 2 << true;
  QTest::newRow("one strip") << grey << QSize(90, 1500) << 1500 << 0 << false << 2 << true;
  QTest::newRow("RGB strips") << QImage::Format_RGB888 << QSize(101, 2000) << 7 << 0 << false << 2
                              << true;
  QTest::newRow("1-bit strips") << QImage::Format_Mono << QSize(333, 2000) << 50 << 0 << false << 2
                                << true;
  QTest::newRow("tiles, three threads, interleaved")
      << grey << QSize(200, 3000) << 0 << 32 << false << 3 << true;
  QTest::newRow("tiles last to first") << grey << QSize(200, 2990) << 0 << 48 << true << 2 << true;
  QTest::newRow("RGB tiles") << QImage::Format_RGB888 << QSize(77, 1000) << 0 << 16 << false << 2
                             << true;
}

void TestDecoders::tiffsSideBySide() {
  QFETCH(QImage::Format, format);
  QFETCH(QSize, size);
  QFETCH(int, rowsPerStrip);
  QFETCH(int, tile);
  QFETCH(bool, backwards);
  QFETCH(int, threads);
  QFETCH(bool, interleaved);
  const QString path = m_dir->filePath(u"scan.tif"_s);
  QVERIFY(writeScanTiff(path, unevenPattern(size, format), rowsPerStrip, tile, backwards));
  const QImage toolkit = QImageReader(path).read();
  QVERIFY(!toolkit.isNull());

  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  decoder->setThreads(threads);
  decoder->setInterleaved(interleaved);
  Told told;
  decoder->setBandHandler([&told](int first, int end) { told.bands.emplace_back(first, end); });
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  const PictureDecoder::Result result = decoder->decode(
      store, [&told](int rows) { told.rows.push_back(rows); }, [] { return false; });
  QVERIFY(!result.error);
  QCOMPARE(store.image.convertToFormat(QImage::Format_ARGB32),
           toolkit.convertToFormat(QImage::Format_ARGB32));
  QVERIFY(std::is_sorted(told.rows.begin(), told.rows.end()));
  QVERIFY(std::adjacent_find(told.rows.begin(), told.rows.end()) == told.rows.end());
  QCOMPARE(told.rows.back(), size.height());
  // Every band once, together the whole picture.
  std::sort(told.bands.begin(), told.bands.end());
  int row = 0;
  for (const auto& [first, end] : told.bands) {
    QCOMPARE(first, row);
    row = end;
  }
  QCOMPARE(row, size.height());
}

// Cancelled while its threads are in the middle of the picture, a decode
// stops with no error, and what it told as complete is the toolkit's.

void TestDecoders::tiffCancelledHalfWay_data() {
  QTest::addColumn<int>("tile");
  QTest::addColumn<int>("threads");
  QTest::newRow("strips, two threads") << 0 << 2;
  QTest::newRow("strips, four threads") << 0 << 4;
  QTest::newRow("tiles, three threads") << 32 << 3;
}

void TestDecoders::tiffCancelledHalfWay() {
  QFETCH(int, tile);
  QFETCH(int, threads);
  const QSize size(160, 4000);
  const QString path = m_dir->filePath(u"scan.tif"_s);
  QVERIFY(writeScanTiff(path, unevenPattern(size, QImage::Format_Grayscale8), 16, tile, false));
  const QImage toolkit = QImageReader(path).read();
  QVERIFY(!toolkit.isNull());
  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  decoder->setThreads(threads);
  Told told;
  decoder->setBandHandler([&told](int first, int end) { told.bands.emplace_back(first, end); });
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  store.image.fill(0);
  // Once half the bands are told, whatever the threads are doing.
  const std::size_t half = std::size_t(size.height() / 64 / 2);
  const PictureDecoder::Result result = decoder->decode(
      store, [&told](int rows) { told.rows.push_back(rows); },
      [&told, half] { return told.bands.size() >= half; });
  QVERIFY(!result.error);
  QVERIFY(told.bands.size() >= half);
  QVERIFY2(told.bands.size() < half + std::size_t(threads) + 1,
           qPrintable(QString::number(told.bands.size())));
  const int rows = told.rows.empty() ? 0 : told.rows.back();
  QVERIFY(rows < size.height());
  QCOMPARE(store.image.copy(0, 0, size.width(), rows), toolkit.copy(0, 0, size.width(), rows));
  for (const auto& [first, end] : told.bands) {
    const QRect band(0, first, size.width(), end - first);
    QCOMPARE(store.image.copy(band), toolkit.copy(band));
  }
}

// Saved over between the header's read and the decode: the threads that
// open the file then find other pixels in tiles of the same place and
// shape, here eight times the bytes (a column of 1-bit pixels become grey
// ones, their rows still a byte). They are not read into tiles of the old
// size, and the file is told damaged.
void TestDecoders::tiffReplacedBeforeItsThreadsOpenIt() {
  const QSize size(1, 256);
  const QString path = m_dir->filePath(u"scan.tif"_s);
  const QString saved = m_dir->filePath(u"saved.tif"_s);
  QVERIFY(writeScanTiff(path, unevenPattern(size, QImage::Format_Mono), 0, 16, false));
  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  decoder->setThreads(2);
  QVERIFY(writeScanTiff(saved, unevenPattern(size, QImage::Format_Grayscale8), 0, 16, false));
  QVERIFY(std::rename(QFile::encodeName(saved).constData(), QFile::encodeName(path).constData()) ==
          0);
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  const PictureDecoder::Result result = decoder->decode(
      store, [](int) {}, [] { return false; });
  QVERIFY(result.error);
}

// Memory running out at any allocation of the decode's own thread, while
// it starts its helpers among others: the decode fails with the exception,
// its threads all ended, or goes on and gives the whole picture.
void TestDecoders::tiffDecodeOutOfMemoryAnywhere() {
  const QSize size(64, 640);
  const QString path = m_dir->filePath(u"scan.tif"_s);
  QVERIFY(writeScanTiff(path, unevenPattern(size, QImage::Format_Grayscale8), 16, 0, false));
  const QImage toolkit = QImageReader(path).read();
  QVERIFY(!toolkit.isNull());
  int failed = 0;
  for (int allowed = 0; allowed < 64; ++allowed) {
    QString error;
    const std::unique_ptr<TiffDecoder> decoder =
        TiffDecoder::open(path, pictureLimitBytes(), error);
    QVERIFY2(decoder, qPrintable(error));
    decoder->setThreads(4);
    PixelStore store;
    QVERIFY(prepared(*decoder, store));
    PictureDecoder::Result result;
    t_allocationsLeft = allowed;
    try {
      result = decoder->decode(
          store, [](int) {}, [] { return false; });
    } catch (const std::bad_alloc&) {
      ++failed;
      t_allocationsLeft = -1;
      continue;
    }
    t_allocationsLeft = -1;
    QVERIFY(!result.error);
    QCOMPARE(store.image, toolkit);
  }
  QVERIFY(failed > 0);
}

// Tiles a file makes far wider than its picture: the threads together
// read into no more than the picture's bytes and a tile, however many
// there are.
void TestDecoders::tiffTilesWiderThanThePicture() {
  const QSize size(48, 4096);
  const int tile = 512;
  const QString path = m_dir->filePath(u"scan.tif"_s);
  const QImage picture = unevenPattern(size, QImage::Format_Grayscale8);
  QVERIFY(writeScanTiff(path, picture, 0, tile, false));
  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, pictureLimitBytes(), error);
  QVERIFY2(decoder, qPrintable(error));
  decoder->setThreads(8);
  PixelStore store;
  QVERIFY(prepared(*decoder, store));
  g_largeBytes = 0;
  g_counting = true;
  const PictureDecoder::Result result = decoder->decode(
      store, [](int) {}, [] { return false; });
  g_counting = false;
  QVERIFY(!result.error);
  QCOMPARE(store.image, picture);
  const qint64 bound = qint64(size.width()) * size.height() + qint64(tile) * tile;
  QVERIFY2(g_largeBytes.load() <= bound, qPrintable(QString::number(g_largeBytes.load())));
}

// Bands handed out first to the top of the window, then over the whole
// height with gaps no taller than an eighth of the picture, then the rest;
// each once.

void TestDecoders::bandOrder_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("bandRows");
  QTest::addColumn<bool>("interleaved");
  QTest::addColumn<int>("coarse");  // bands up to the whole height covered
  QTest::newRow("A0 in 316-row strips") << 60 << 316 << true << 11;
  QTest::newRow("A0 in rows of 256-pixel tiles") << 74 << 256 << true << 11;
  QTest::newRow("A0 in 64 rows a band") << 293 << 64 << true << 24;
  QTest::newRow("eight strips") << 8 << 2533 << true << 5;
  QTest::newRow("one band") << 1 << 100 << true << 1;
  QTest::newRow("top to bottom") << 60 << 316 << false << 60;
}

void TestDecoders::bandOrder() {
  QFETCH(int, count);
  QFETCH(int, bandRows);
  QFETCH(bool, interleaved);
  QFETCH(int, coarse);
  const int height = count * bandRows - bandRows / 3;
  const std::vector<int> order = bands::order(count, bandRows, height, interleaved);
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int> each(static_cast<std::size_t>(count));
  std::iota(each.begin(), each.end(), 0);
  QCOMPARE(sorted, each);
  // The head: the rows a window shows at 100 %.
  const int head = std::min(count, (bands::kHeadRows + bandRows - 1) / bandRows);
  for (int i = 0; i < head; ++i) {
    QCOMPARE(order[std::size_t(i)], i);
  }
  // After `coarse` bands the whole height is covered, with no gap taller
  // than the widest.
  const auto last = std::find(order.begin(), order.end(), count - 1);
  QCOMPARE(int(last - order.begin()) + 1, coarse);
  std::vector<int> taken(order.begin(), last + 1);
  std::sort(taken.begin(), taken.end());
  int row = 0;
  for (int band : taken) {
    QVERIFY2(band * bandRows - row <= bands::widestGap(height, bandRows),
             qPrintable(QString::number(band)));
    row = (band + 1) * bandRows;
  }
  QCOMPARE(taken.back(), count - 1);
}

namespace {

// Bands of a grey picture that come when the test lets them, each a grey of
// its own, in an order the test chooses: those before `held` at once.
struct BandsDecoder : PictureDecoder {
  QSize picture{64, 1200};
  int bandRows = 60;
  std::vector<int> order;
  std::atomic<std::size_t> held = 0;
  QSemaphore release;

  static int grey(int band) { return 20 + 10 * band; }
  QSize size() const override { return picture; }
  bool prepare(PixelStore& store) override {
    store.image = QImage(picture, QImage::Format_Grayscale8);
    return true;
  }
  Result decode(PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override {
    RowRuns done;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i == held) {
        while (!release.tryAcquire(1, 5)) {
          if (cancelled()) {
            return {};
          }
        }
      }
      const int first = order[i] * bandRows;
      const int end = std::min(picture.height(), first + bandRows);
      for (int y = first; y < end; ++y) {
        std::fill_n(store.row(y), picture.width(), uchar(grey(order[i])));
      }
      bandDone(first, end);
      done.add(first, end);
      if (done.runs().front().first == 0) {
        rows(done.runs().front().end);
      }
    }
    return {};
  }
};

}  // namespace

// Zoomed out, a coarse pass over the picture shows it whole: the bands
// there as they are, the gaps between them shaded from one to the next;
// before, what is far from any band waits in grey.

void TestDecoders::coarsePassShowsTheWholeSheet() {
  auto owned = std::make_unique<BandsDecoder>();
  BandsDecoder* decoder = owned.get();
  decoder->order = {0, 19, 2, 4, 6, 8, 10, 12, 14, 16, 18};
  for (int band : {1, 3, 5, 7, 9, 11, 13, 15, 17}) {
    decoder->order.push_back(band);
  }
  decoder->held = 2;  // the top and the bottom band at first
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(owned));
  QVERIFY(picture);
  // Over a colour the picture never has: a row left unpainted shows.
  const QRgb unpainted = qRgb(255, 0, 255);
  const auto zoomedOut = [&picture, unpainted] {
    QImage out(8, 150, QImage::Format_RGB32);
    out.fill(unpainted);
    QPainter painter(&out);
    picture->paint(painter, out.rect(), 0.125);
    return out;
  };
  // Screen rows 7.5 apart, one band each.
  const auto shownAt = [&](const QImage& shown, int band) {
    return shown.pixel(4, band * 15 / 2 + 3);
  };
  QTRY_COMPARE(shownAt(zoomedOut(), 19),
               qRgb(BandsDecoder::grey(19), BandsDecoder::grey(19), BandsDecoder::grey(19)));
  QVERIFY(!picture->showsWhole());
  QCOMPARE(shownAt(zoomedOut(), 9), Picture::placeholder().rgb());

  decoder->held = decoder->order.size() - 9;  // the coarse pass
  decoder->release.release();
  QTRY_VERIFY(picture->showsWhole());
  const QImage shown = zoomedOut();
  for (int band = 0; band < 20; band += 2) {
    const int g = BandsDecoder::grey(band);
    QCOMPARE(shownAt(shown, band), qRgb(g, g, g));
  }
  for (int y = 0; y < shown.height(); ++y) {
    QVERIFY2(shown.pixel(4, y) != unpainted, qPrintable(u"screen row %1"_s.arg(y)));
  }
  // A gap lies between the bands around it.
  for (int band = 1; band < 19; band += 2) {
    const int g = qGray(shownAt(shown, band));
    QVERIFY2(g > BandsDecoder::grey(band - 1) && g < BandsDecoder::grey(band + 1),
             qPrintable(u"band %1: %2"_s.arg(band).arg(g)));
  }
  decoder->release.release();
  picture->waitUntilReady();
  QVERIFY(picture->isDecoded());
  QVERIFY(picture->showsWhole());
}

namespace {

// A grey picture whose rows come after the test lets them, with a preview
// that comes when the test lets it; it counts its looks at whether to go
// on, begun and done.
struct PreviewingDecoder : PictureDecoder {
  QSize picture{64, 512};
  QSemaphore rows;
  QSemaphore coarse;
  std::atomic<int> looking = 0;
  std::atomic<int> looked = 0;

  QSize size() const override { return picture; }
  bool prepare(PixelStore& store) override {
    store.image = QImage(picture, QImage::Format_Grayscale8);
    return true;
  }
  Result decode(PixelStore& store, const std::function<void(int)>& told,
                const std::function<bool()>& cancelled) override {
    while (!rows.tryAcquire(1, 5)) {
      if (cancelled()) {
        return {};
      }
    }
    ++looking;
    const bool stop = cancelled();
    ++looked;
    if (stop) {
      return {};
    }
    for (int y = 0; y < picture.height(); ++y) {
      std::fill_n(store.row(y), picture.width(), uchar(90));
    }
    told(picture.height());
    return {};
  }
  QImage preview(const std::function<bool()>& cancelled) override {
    while (!coarse.tryAcquire(1, 5)) {
      if (cancelled()) {
        return {};
      }
    }
    QImage made(8, 64, QImage::Format_Grayscale8);
    made.fill(90);
    return made;
  }
};

}  // namespace

// Zoomed out, a view waits for the preview, and the decode waits with it
// rather than share the processors; at 100 % it would not.

void TestDecoders::decodeWaitsForAWantedPreview() {
  auto owned = std::make_unique<PreviewingDecoder>();
  PreviewingDecoder* decoder = owned.get();
  const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(owned));
  QVERIFY(picture);
  QImage out(16, 128, QImage::Format_RGB32);
  {
    QPainter painter(&out);
    picture->paint(painter, out.rect(), 0.25);
  }
  decoder->rows.release();
  QTRY_COMPARE(decoder->looking.load(), 1);
  QTest::qWait(50);
  QCOMPARE(decoder->looked.load(), 0);  // still waiting for the preview
  decoder->coarse.release();
  picture->waitUntilReady();
  QCOMPARE(decoder->looked.load(), 1);
  QVERIFY(picture->isDecoded());
}

// Memory running out anywhere in a paint zoomed out, while it starts the
// preview among others: the decode and the reduced copies do not wait for
// a preview that never comes.
void TestDecoders::previewOutOfMemoryLeavesNothingWaiting() {
  for (int allowed = 0; allowed < 48; ++allowed) {
    auto owned = std::make_unique<PreviewingDecoder>();
    PreviewingDecoder* decoder = owned.get();
    const std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(owned));
    QVERIFY(picture);
    QImage out(16, 128, QImage::Format_RGB32);
    {
      QPainter painter(&out);
      t_allocationsLeft = allowed;
      try {
        picture->paint(painter, out.rect(), 0.25);
      } catch (const std::bad_alloc&) {
        // The paint may fail for want of memory: what follows counts.
      }
      t_allocationsLeft = -1;
    }
    decoder->rows.release();
    decoder->coarse.release();
    QTRY_VERIFY2(picture->hasPyramid() && picture->isDecoded(),
                 qPrintable(QString::number(allowed)));
  }
}

// Grey and 24-bit pictures are reduced straight from their rows, other
// kinds from a converted copy: the same pixels either way, at odd sizes and
// corners too.

void TestDecoders::reducedFromTheRowsAsFromAConversion_data() {
  QTest::addColumn<bool>("grey");
  QTest::addColumn<QRect>("area");
  QTest::addColumn<int>("factor");
  for (const bool grey : {true, false}) {
    const char* kind = grey ? "grey" : "RGB";
    QTest::addRow("%s, whole, by 4", kind) << grey << QRect(0, 0, 203, 157) << 4;
    QTest::addRow("%s, odd piece, by 4", kind) << grey << QRect(8, 12, 61, 37) << 4;
    QTest::addRow("%s, odd piece, by 2", kind) << grey << QRect(6, 4, 33, 15) << 2;
    QTest::addRow("%s, one row, by 4", kind) << grey << QRect(4, 156, 50, 1) << 4;
    QTest::addRow("%s, past the edge, by 4", kind) << grey << QRect(200, 152, 16, 16) << 4;
    QTest::addRow("%s, odd piece, by 8", kind) << grey << QRect(16, 8, 101, 77) << 8;
  }
}

void TestDecoders::reducedFromTheRowsAsFromAConversion() {
  QFETCH(bool, grey);
  QFETCH(QRect, area);
  QFETCH(int, factor);
  const QImage picture =
      pattern(QSize(203, 157), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  // The same pixels in a kind that is converted first.
  QImage other = picture.convertToFormat(QImage::Format_RGB32);
  if (grey) {
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i) {
      greys << qRgb(i, i, i);
    }
    other = picture.convertToFormat(QImage::Format_Indexed8, greys);
  }
  const QImage straight = Pyramid::reducedPart(picture, area, factor);
  const QImage converted = Pyramid::reducedPart(other, area, factor);
  QCOMPARE(straight.format(), converted.format());
  QCOMPARE(straight, converted);
}

// Memory running short for a piece of the reduced copy: growing it says so
// rather than seem to go on with the piece missing, which the worker behind
// the decode would take up again and again.
void TestDecoders::reducedCopyWithNoMemoryGivesUp() {
  const QImage picture = pattern(QSize(203, 157), QImage::Format_Grayscale8);
  GrowingLevel level(picture.size(), true, Pyramid::kFirstKept);
  QVERIFY(!level.isNull());
  RowRuns whole;
  whole.add(0, picture.height());
  int asked = 0;
  const auto reduced = [&](const QRect& area, int factor) {
    return ++asked == 2 ? QImage() : Pyramid::reducedPart(picture, area, factor);
  };
  QVERIFY(!level.grow(whole, reduced, nullptr));
  QVERIFY(!level.isComplete());
}

QTEST_MAIN(TestDecoders)
#include "tst_decoders.moc"

// Pictures decoded on a worker and shown as they come: the JPEG planes give
// exactly libjpeg-turbo's own colours, what is decoded shows while the rest
// is on its way, and a file damaged half-way gives back the picture before.
#include "CanvasWidget.h"
#include "HeldDecoder.h"
#include "JpegDecoder.h"
#include "ModalAnswer.h"
#include "PictureLoader.h"
#include "PngDecoder.h"
#include "RasterPicture.h"
#include "ScriptedWindow.h"
#include "Spoken.h"
#include "TiffDecoder.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <new>
#include <stdexcept>

#include <jpeglib.h>
#include <tiffio.h>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct JpegOptions {
  int across = 2;  // luma samples per chroma sample, across and down
  int down = 2;
  bool grey = false;
  int restartRows = 0;
  bool progressive = false;
};

// Colour that changes fast in both directions, so every chroma neighbour
// counts in the upsampling.
QRgb sample(int x, int y) {
  const unsigned h = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u);
  return qRgb(int((x * 5 + (h & 31)) & 255), int((y * 7 + (h >> 5 & 63)) & 255),
              int(((x + y) * 3 + (h >> 11 & 15)) & 255));
}

// `exif`, when not empty, goes into an APP1 segment.
QByteArray writeJpeg(QSize size, const JpegOptions& options, const QByteArray& exif = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  jpeg_mem_dest(&info, &buffer, &length);
  info.image_width = JDIMENSION(size.width());
  info.image_height = JDIMENSION(size.height());
  info.input_components = options.grey ? 1 : 3;
  info.in_color_space = options.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (!options.grey) {
    info.comp_info[0].h_samp_factor = options.across;
    info.comp_info[0].v_samp_factor = options.down;
  }
  info.restart_in_rows = options.restartRows;
  if (options.progressive) {
    jpeg_simple_progression(&info);
  }
  jpeg_start_compress(&info, TRUE);
  if (!exif.isEmpty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                      unsigned(exif.size()));
  }
  std::vector<uchar> row(std::size_t(size.width()) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    for (int x = 0; x < size.width(); ++x) {
      const QRgb c = sample(x, y);
      if (options.grey) {
        row[std::size_t(x)] = uchar(qGray(c));
      } else {
        row[std::size_t(x) * 3] = uchar(qRed(c));
        row[std::size_t(x) * 3 + 1] = uchar(qGreen(c));
        row[std::size_t(x) * 3 + 2] = uchar(qBlue(c));
      }
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(length));
  std::free(buffer);
  return bytes;
}

// EXIF data, little-endian, whose first directory lies at `directory` and
// holds `entries` entries, the first of them the orientation.
QByteArray exif(quint32 directory, quint16 entries, quint16 orientation) {
  QByteArray bytes("Exif\0\0II*\0", 10);
  const auto put = [&bytes](quint64 value, int length) {
    for (int i = 0; i < length; ++i) {
      bytes.append(char(value >> (8 * i) & 0xff));
    }
  };
  put(directory, 4);
  put(entries, 2);
  put(0x0112, 2);  // orientation: a SHORT, one of it
  put(3, 2);
  put(1, 4);
  put(orientation, 4);
  put(0, 4);  // no next directory
  return bytes;
}

// A picture with something in every pixel, in `format`.
QImage pattern(QSize size, QImage::Format format) {
  QImage image(size, QImage::Format_ARGB32);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const QRgb c = sample(x, y);
      image.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), (x * 11 + y) & 255));
    }
  }
  if (format == QImage::Format_Mono) {
    return image.convertToFormat(format, Qt::ThresholdDither);
  }
  if (format == QImage::Format_Indexed8) {
    return image.convertToFormat(QImage::Format_RGB32).convertToFormat(format, Qt::ThresholdDither);
  }
  return image.convertToFormat(format);
}

// The CRC a PNG chunk ends with.
quint32 crc32(const QByteArray& bytes) {
  quint32 crc = 0xffffffffu;
  for (const char byte : bytes) {
    crc ^= uchar(byte);
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

// A tiled 8-bit grey TIFF, as some scanners and GIS programs write them.
bool writeTiledTiff(const QString& path, const QImage& grey) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) {
    return false;
  }
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, grey.width());
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, grey.height());
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 64);
  TIFFSetField(tiff, TIFFTAG_TILELENGTH, 32);
  std::vector<uchar> tile(64 * 32);
  for (int y = 0; y < grey.height(); y += 32) {
    for (int x = 0; x < grey.width(); x += 64) {
      std::fill(tile.begin(), tile.end(), uchar(0));
      for (int i = 0; i < 32 && y + i < grey.height(); ++i) {
        const int n = std::min(64, grey.width() - x);
        std::memcpy(tile.data() + i * 64, grey.constScanLine(y + i) + x, std::size_t(n));
      }
      if (TIFFWriteTile(tiff, tile.data(), uint32_t(x), uint32_t(y), 0, 0) < 0) {
        TIFFClose(tiff);
        return false;
      }
    }
  }
  TIFFClose(tiff);
  return true;
}

// What byte `i` of a hand-written tile holds.
uchar tileByte(quint32 i) {
  return uchar(i * 7 + i / 251);
}

// A 16 x 16 grey TIFF, uncompressed, in one tile of `tile` x `tile` pixels,
// written by hand. A tile of common size is all there; of a larger one the
// file holds only 256 bytes, as no writer would make it (about 400 bytes in
// all, whatever the tile).
QByteArray oneTileTiff(quint32 tile) {
  const quint32 tileBytes = tile <= 1024 ? tile * tile : 256;
  QByteArray bytes("II*\0", 4);
  const auto put = [&bytes](quint32 value, int length) {
    for (int i = 0; i < length; ++i) {
      bytes.append(char(value >> (8 * i) & 0xff));
    }
  };
  struct Entry {
    quint16 tag;
    quint16 type;  // 3 SHORT, 4 LONG
    quint32 value;
  };
  constexpr quint32 kEntries = 10;
  constexpr quint32 kTileAt = 8 + 2 + 12 * kEntries + 4;  // right after the directory
  const Entry entries[kEntries] = {
      {256, 4, 16}, {257, 4, 16},   {258, 3, 8},    {259, 3, 1},       {262, 3, 1},
      {277, 3, 1},  {322, 4, tile}, {323, 4, tile}, {324, 4, kTileAt}, {325, 4, tileBytes},
  };
  put(8, 4);
  put(kEntries, 2);
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(1, 4);
    put(e.value, 4);
  }
  put(0, 4);  // no next directory
  for (quint32 i = 0; i < tileBytes; ++i) {
    bytes.append(char(tileByte(i)));
  }
  return bytes;
}

// libjpeg-turbo's own whole decode, in its default (fancy) upsampling.
QImage libjpegRgb(const QByteArray& bytes) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  QImage image(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.scanLine(int(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image.convertToFormat(QImage::Format_RGB32);
}

bool save(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Named as the toolkit's JPEG reader names its warnings.
Q_LOGGING_CATEGORY(lcLikeTheReader, "qt.gui.imageio.jpeg")

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

class TestDecoders : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void planesGiveTheDecodersOwnColours_data();
  void planesGiveTheDecodersOwnColours();
  void rowByRowGivesTheToolkitsPixels_data();
  void rowByRowGivesTheToolkitsPixels();
  void badJpegs_data();
  void badJpegs();
  void multiScanJpegsCountWhatTheyHold_data();
  void multiScanJpegsCountWhatTheyHold();
  void cutJpegStopsWhereItEnds_data();
  void cutJpegStopsWhereItEnds();
  void badTiffsAndPngs_data();
  void badTiffsAndPngs();
  void exifOrientation_data();
  void exifOrientation();
  void toolkitJpegsThatEndEarly_data();
  void toolkitJpegsThatEndEarly();
  void othersWarningsAreNotTheReaders();
  void decodedRowsShowAndTheRestWaits();
  void tilesLargerThanThePicture_data();
  void tilesLargerThanThePicture();
  void shortenedWhileRead_data();
  void shortenedWhileRead();
  void damagedHalfWayBringsThePictureBack_data();
  void damagedHalfWayBringsThePictureBack();
  void newLoadCancelsTheDecode();
  void multiScanJpegsStopWhileReadingTheirScans_data();
  void multiScanJpegsStopWhileReadingTheirScans();
  void toolkitReadsStopWhenCancelled_data();
  void toolkitReadsStopWhenCancelled();
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

void TestDecoders::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  m_release.acquire(m_release.available());
  m_sawCancel = false;
}

void TestDecoders::cleanup() {
  m_release.release(100);  // nothing waits for ever, whatever failed
  m_scripted.reset();
}

HeldDecoder* TestDecoders::held(QSize size, int early) {
  auto decoder = std::make_unique<HeldDecoder>(size, early, &m_release, &m_sawCancel);
  HeldDecoder* raw = decoder.get();
  window().showDecoding(std::move(decoder));
  return raw;
}

QString TestDecoders::loadExpectingMessage(const QString& path) {
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

void TestDecoders::badJpegs_data() {
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

void TestDecoders::badJpegs() {
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

void TestDecoders::decodedRowsShowAndTheRestWaits() {
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
void TestDecoders::tilesLargerThanThePicture_data() {
  QTest::addColumn<quint32>("tile");
  QTest::addColumn<bool>("opens");
  QTest::newRow("1,048,576-pixel tiles") << (quint32(1) << 20) << false;
  QTest::newRow("65,536-pixel tiles") << (quint32(1) << 16) << false;
  QTest::newRow("2,048-pixel tiles") << quint32(2048) << false;
  QTest::newRow("256-pixel tiles") << quint32(256) << true;
}

void TestDecoders::tilesLargerThanThePicture() {
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
  QVERIFY(decoder->prepare(store));
  store.bits = store.image.bits();
  store.stride = store.image.bytesPerLine();
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

void TestDecoders::damagedHalfWayBringsThePictureBack_data() {
  QTest::addColumn<HeldDecoder::End>("end");
  QTest::newRow("told damaged") << HeldDecoder::End::Damaged;
  QTest::newRow("out of memory") << HeldDecoder::End::OutOfMemory;
  QTest::newRow("other exception") << HeldDecoder::End::Throws;
}

void TestDecoders::damagedHalfWayBringsThePictureBack() {
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

void TestDecoders::newLoadCancelsTheDecode() {
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
  QVERIFY(decoder->prepare(store));
  store.bits = store.image.bits();
  store.stride = store.image.bytesPerLine();
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

void TestDecoders::closingDuringADecode() {
  held(QSize(2000, 1500), 10);
  QVERIFY(window().loadingIndicator()->isVisible());
  m_scripted.reset();
  QVERIFY(m_sawCancel.load());
}

QTEST_MAIN(TestDecoders)
#include "tst_decoders.moc"

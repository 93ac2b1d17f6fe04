#include "PictureLoader.h"
#include "RasterPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

quint32 crc32(const QByteArray& data) {
  quint32 crc = 0xffffffffu;
  for (char ch : data) {
    crc ^= static_cast<quint8>(ch);
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

QByteArray chunk(const char* type, const QByteArray& body) {
  QByteArray out(4, '\0');
  qToBigEndian<quint32>(body.size(), out.data());
  const QByteArray typed = QByteArray(type) + body;
  QByteArray crc(4, '\0');
  qToBigEndian<quint32>(crc32(typed), crc.data());
  return out + typed + crc;
}

// A valid PNG header that promises 100000 x 100000 pixels, followed by
// almost nothing: a decompression bomb in its smallest form.
QByteArray bombPng() {
  QByteArray header(13, '\0');
  qToBigEndian<quint32>(100000, header.data());
  qToBigEndian<quint32>(100000, header.data() + 4);
  header[8] = 1;  // 1 bit per pixel, grey
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
         chunk("IDAT", QByteArray::fromHex("789c030000000001")) + chunk("IEND", {});
}

// What opening `path` in the program tells the user, whether found from the
// header or half-way through the decode.
QString openingProblem(const QString& path) {
  OpenedPicture opened = openPictureFile(path);
  if (!opened.decoder) {
    return opened.error;
  }
  const auto picture = RasterPicture::decoding(std::move(opened.decoder));
  QString problem;
  picture->setFinishedHandler(
      [&problem](const std::optional<QString>& p) { problem = p.value_or(QString()); });
  picture->waitUntilReady();
  return problem;
}

QImage sample() {
  QImage image(320, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < 200; ++y) {
    image.setPixel(y, y, qRgb(200, 0, 0));
  }
  return image;
}

}  // namespace

class TestPictureLoader : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void readsEachFormatInItsOwnDepth_data();
  void readsEachFormatInItsOwnDepth();
  void badFilesAreRefusedWithAMessage_data();
  void badFilesAreRefusedWithAMessage();
  void unreadableFile();
  void limitFollowsTheMachine();
  void frameOtherThanItsScreen();

 private:
  QString write(const QString& name, const QByteArray& bytes);
  QTemporaryDir m_dir;
};

QString TestPictureLoader::write(const QString& name, const QByteArray& bytes) {
  const QString path = m_dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    qFatal("cannot write test file");
  }
  return path;
}

void TestPictureLoader::initTestCase() {
  QVERIFY(m_dir.isValid());
  const QImage image = sample();
  QVERIFY(image.save(m_dir.filePath(u"rgb.png"_s)));
  QVERIFY(image.save(m_dir.filePath(u"photo.jpg"_s), nullptr, 90));
  QVERIFY(image.save(m_dir.filePath(u"picture.webp"_s)));
  QVERIFY(image.save(m_dir.filePath(u"picture.bmp"_s)));
  // Qt reads GIF but cannot write it: the smallest GIF there is, 1 x 1.
  write(u"dot.gif"_s, QByteArray::fromHex("47494638396101000100800000000000ffffff21f90401000000002c"
                                          "00000000010001000002024401003b"));
  QImageWriter mono(m_dir.filePath(u"scan.tif"_s));
  mono.setCompression(1);
  QVERIFY(mono.write(image.convertToFormat(QImage::Format_Mono)));
  QVERIFY(image.convertToFormat(QImage::Format_Grayscale8).save(m_dir.filePath(u"grey.tif"_s)));

  QFile png(m_dir.filePath(u"rgb.png"_s));
  QVERIFY(png.open(QIODevice::ReadOnly));
  write(u"truncated.png"_s, png.readAll().chopped(200));
  QFile jpg(m_dir.filePath(u"photo.jpg"_s));
  QVERIFY(jpg.open(QIODevice::ReadOnly));
  const QByteArray jpeg = jpg.readAll();
  write(u"truncated.jpg"_s, jpeg.left(jpeg.size() / 2));
  write(u"empty.png"_s, {});
  write(u"notes.png"_s, "These are notes, not a picture.\n");
  write(u"bomb.png"_s, bombPng());
  // A text chunk whose header claims 2 GB of a file of a few hundred bytes,
  // before the pixels of a PNG this program reads itself, and after those
  // of one it leaves to the toolkit (a palette): neither may be believed.
  png.seek(0);
  const QByteArray rgb = png.readAll();
  const QByteArray claim = QByteArray::fromHex("7df9c425") + "tEXtcomment";
  write(u"claim.png"_s, rgb.left(33) + claim);
  QBuffer palette;
  QVERIFY(palette.open(QIODevice::WriteOnly));
  QVERIFY(image.convertToFormat(QImage::Format_Indexed8).save(&palette, "PNG"));
  const QByteArray indexed = palette.data();
  QVERIFY(indexed.at(25) == 3);
  write(u"claim-after-pixels.png"_s, indexed.left(indexed.size() - 12) + claim + indexed.right(12));
  // Thousands of empty private chunks before the pixels, whose headers lie
  // across every block the check reads them in; and the same with a claim
  // at the very end.
  const QByteArray empties = QByteArray::fromHex(
                                 "00000000"
                                 "70725674"
                                 "a6878c49")
                                 .repeated(3000);
  write(u"empty-chunks.png"_s, indexed.left(33) + empties + indexed.mid(33));
  write(u"empty-chunks-then-claim.png"_s,
        indexed.left(33) + empties + indexed.mid(33).chopped(12) + claim + indexed.right(12));
  // A wireless bitmap's header: type 0, no extensions, 0 x 5 pixels.
  write(u"nothing.wbmp"_s, QByteArray("\0\0\0\x05", 4));
  QVERIFY(QDir(m_dir.path()).mkdir(u"folder.png"_s));
}

void TestPictureLoader::readsEachFormatInItsOwnDepth_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("depth");
  QTest::addColumn<QSize>("size");
  QTest::newRow("PNG") << u"rgb.png"_s << 32 << QSize(320, 200);
  QTest::newRow("JPEG") << u"photo.jpg"_s << 32 << QSize(320, 200);
  QTest::newRow("WebP") << u"picture.webp"_s << 32 << QSize(320, 200);
  QTest::newRow("BMP") << u"picture.bmp"_s << 32 << QSize(320, 200);
  QTest::newRow("GIF with transparency") << u"dot.gif"_s << 32 << QSize(1, 1);
  QTest::newRow("1-bit TIFF") << u"scan.tif"_s << 1 << QSize(320, 200);
  QTest::newRow("grey TIFF") << u"grey.tif"_s << 8 << QSize(320, 200);
  QTest::newRow("PNG of many empty chunks") << u"empty-chunks.png"_s << 8 << QSize(320, 200);
}

void TestPictureLoader::readsEachFormatInItsOwnDepth() {
  QFETCH(QString, name);
  QFETCH(int, depth);
  QFETCH(QSize, size);
  const LoadedPicture loaded = loadPicture(m_dir.filePath(name));
  QCOMPARE(loaded.error, QString());
  QCOMPARE(loaded.image.size(), size);
  QCOMPARE(loaded.image.depth(), depth);
}

void TestPictureLoader::badFilesAreRefusedWithAMessage_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("byItsHeader");  // told before any decoder is made
  const QString damaged = u"画像データが途中で切れているか、壊れています。"_s;
  QTest::newRow("missing") << u"nowhere.png"_s << u"ファイルが見つかりません。"_s << true;
  QTest::newRow("zero bytes") << u"empty.png"_s << u"ファイルが空です。"_s << true;
  QTest::newRow("truncated PNG") << u"truncated.png"_s << damaged << false;
  QTest::newRow("truncated JPEG") << u"truncated.jpg"_s << damaged << false;
  QTest::newRow("chunk claims 2 GB") << u"claim.png"_s << damaged << true;
  QTest::newRow("chunk after the pixels claims 2 GB")
      << u"claim-after-pixels.png"_s << damaged << true;
  QTest::newRow("many empty chunks, then a claim of 2 GB")
      << u"empty-chunks-then-claim.png"_s << damaged << true;
  QTest::newRow("not a picture") << u"notes.png"_s << u"画像として読み込めない形式です。"_s << true;
  QTest::newRow("decompression bomb")
      << u"bomb.png"_s << u"画像が大きすぎて開けません（100000 × 100000 画素）。"_s << true;
  QTest::newRow("no pixels") << u"nothing.wbmp"_s << damaged << true;
  QTest::newRow("a folder") << u"folder.png"_s << u"フォルダーは画像として開けません。"_s << true;
}

void TestPictureLoader::badFilesAreRefusedWithAMessage() {
  QFETCH(QString, name);
  QFETCH(QString, message);
  QFETCH(bool, byItsHeader);
  const LoadedPicture loaded = loadPicture(m_dir.filePath(name));
  QVERIFY(loaded.image.isNull());
  QVERIFY2(loaded.error.startsWith(message), qPrintable(loaded.error));
  // The window's way, decoding behind the view, says the same.
  QCOMPARE(openingProblem(m_dir.filePath(name)), loaded.error);
  QCOMPARE(openPictureFile(m_dir.filePath(name)).decoder == nullptr, byItsHeader);
  // The user is told which file it was, except where the size says it all.
  if (name != u"bomb.png"_s) {
    QVERIFY(loaded.error.endsWith(QDir::toNativeSeparators(m_dir.filePath(name))));
  }
}

// A GIF whose screen is 11285 x 13 pixels and whose only frame is 21 x 13
// (found by fuzzing): the view takes the size the header gives, so a
// picture the toolkit reads at another size is damaged, never read past its
// edge.
void TestPictureLoader::frameOtherThanItsScreen() {
  const QString path =
      write(u"frame.gif"_s,
            QByteArray::fromHex("474946383961152c0d00f400001515751915742a2a6b2b2b6b7b004242265f5f"
                                "3550555555684c4c6a6a4b6c694a404060ff0000bd4221de6311998f33959535"
                                "b39726aaaa2bbfbf20c2b80fdbb212d9bd13d5d115d5d515eaea0bffff008080"
                                "40000080000000feffffbe000021f90400000000002c0000000015000d000000"
                                "0000000000008721003b"));
  OpenedPicture opened = openPictureFile(path);
  QVERIFY2(opened.decoder, qPrintable(opened.error));
  const QSize header = opened.decoder->size();
  PixelStore store;
  QVERIFY(opened.decoder->prepare(store));
  const PictureDecoder::Result result = opened.decoder->decode(
      store, [](int) {}, [] { return false; });
  // Either damaged, or exactly the size the view was given.
  if (!result.error) {
    QCOMPARE(result.whole.size(), header);
  } else {
    QVERIFY2(result.error->startsWith(u"画像データが途中で切れているか、壊れています。"_s),
             qPrintable(*result.error));
  }
}

void TestPictureLoader::unreadableFile() {
  if (geteuid() == 0) {
    QSKIP("root reads every file whatever its permissions");
  }
  const QString path = m_dir.filePath(u"locked.png"_s);
  QVERIFY(QFile::copy(m_dir.filePath(u"rgb.png"_s), path));
  QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
  QVERIFY(loadPicture(path).error.startsWith(u"ファイルを読む権限がありません。"_s));
}

void TestPictureLoader::limitFollowsTheMachine() {
  const qint64 memory = qint64(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
  QCOMPARE(pictureLimitBytes(), memory / 2);
  // A 248-megapixel A0 scan opens on any machine this program runs on.
  QVERIFY(pictureLimitBytes() > 13244LL * 18724 * 4);
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

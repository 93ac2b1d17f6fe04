// Decodes given up half-way, over and over: a new picture opened while one
// is still decoding, or the window closed under it, for every kind of
// picture the workers decode. Meant for the sanitized build, where a race
// or a leak on the way out shows; here it must simply never fail.
#include "CanvasWidget.h"
#include "ModalAnswer.h"
#include "PdfFiles.h"
#include "ScriptedWindow.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct FixedPdfPrompts : PdfPrompts {
  std::optional<PdfChoice> choose(const QString&, const PdfDocument&) override {
    return PdfChoice{0, 600};
  }
  std::optional<QByteArray> password(const QString&) override { return std::nullopt; }
};

}  // namespace

class TestCancelSoak : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void givenUpHalfWay_data();
  void givenUpHalfWay();

 private:
  std::unique_ptr<ScriptedWindow> newWindow();

  QTemporaryDir m_dir;
  QString m_small;
};

void TestCancelSoak::initTestCase() {
  QVERIFY(m_dir.isValid());
  usePdfModule(QStringLiteral(KOORDEL_PDF_MODULE));
  // Noise, so that no decoder gets through it at once.
  QImage noise(3000, 2000, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < noise.height(); ++y) {
    auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
    for (int x = 0; x < noise.width(); ++x) {
      line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
  }
  QVERIFY(noise.save(m_dir.filePath(u"big.jpg"_s), "JPEG", 90));
  QVERIFY(noise.save(m_dir.filePath(u"big.png"_s)));
  QVERIFY(noise.convertToFormat(QImage::Format_Grayscale8).save(m_dir.filePath(u"big.tif"_s)));
  QPdfWriter writer(m_dir.filePath(u"big.pdf"_s));
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QSizeF(2000, 2000), QPageSize::Point));
  QPainter painter(&writer);
  for (int i = 0; i < 2000; i += 4) {
    painter.drawLine(QPointF(0, i), QPointF(2000, 2000 - i));
  }
  painter.end();
  QImage small(40, 30, QImage::Format_RGB32);
  small.fill(Qt::red);
  m_small = m_dir.filePath(u"small.png"_s);
  QVERIFY(small.save(m_small));
}

std::unique_ptr<ScriptedWindow> TestCancelSoak::newWindow() {
  auto scripted = std::make_unique<ScriptedWindow>();
  scripted->window.setPdfPrompts(std::make_unique<FixedPdfPrompts>());
  return scripted;
}

void TestCancelSoak::givenUpHalfWay_data() {
  QTest::addColumn<QString>("name");
  for (const char* name : {"big.jpg", "big.tif", "big.png", "big.pdf"}) {
    QTest::newRow(name) << QString::fromLatin1(name);
  }
}

void TestCancelSoak::givenUpHalfWay() {
  QFETCH(QString, name);
  const QString big = m_dir.filePath(name);
  MessagesTold messages;
  auto scripted = newWindow();
  for (int i = 0; i < 200; ++i) {
    QVERIFY(scripted->window.openPicture(big));
    QTest::qWait(i % 7);  // given up at a different point each time
    if (i % 2 == 0) {
      QVERIFY(scripted->window.openPicture(m_small));
    } else {
      scripted = newWindow();
    }
  }
  QVERIFY(scripted->window.openPicture(m_small));
  scripted->window.canvas()->waitForPyramid();
  QCOMPARE(scripted->window.canvas()->surface().size(), QSize(40, 30));
  QCOMPARE(messages.told, QStringList());
}

QTEST_MAIN(TestCancelSoak)
#include "tst_cancelsoak.moc"

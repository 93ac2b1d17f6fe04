// PDF pages as pictures: opened through the real window with generated PDFs
// (QPdfWriter's vector pages, turned and locked with qpdf), drawn tile by
// tile at the resolution the zoom needs, and every way opening can fail.
#include "CanvasWidget.h"
#include "ModalAnswer.h"
#include "PdfFiles.h"
#include "PdfPicture.h"
#include "ScriptedWindow.h"
#include "Spoken.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <new>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

// Answers the PDF dialogs from a script, writing down what was asked.
struct FakePdfPrompts : PdfPrompts {
  std::optional<PdfChoice> choice = PdfChoice{0, 96};
  std::optional<QByteArray> given;
  QStringList asked;
  std::optional<PdfChoice> choose(const QString&, const PdfDocument& document) override {
    asked << u"choose of %1"_s.arg(document.pageCount());
    return choice;
  }
  std::optional<QByteArray> password(const QString&) override {
    asked << u"password"_s;
    return given;
  }
};

// A page drawing that fails, that never ends until it is told to, or that
// runs out of memory.
enum class Failure { Fails, Endless, OutOfMemory };
struct FailingRenderer : PdfPageRenderer {
  Failure failure = Failure::Fails;
  QImage render(double, const QRect&, const std::function<bool()>& abort) override {
    if (failure == Failure::OutOfMemory) {
      throw std::bad_alloc();
    }
    while (failure == Failure::Endless && !abort()) {
      QThread::msleep(5);
    }
    return {};
  }
};
struct FailingDocument : PdfDocument {
  Failure failure = Failure::Fails;
  int pageCount() const override { return 1; }
  QSizeF pageSize(int) const override { return {612, 792}; }
  std::unique_ptr<PdfPageRenderer> renderer(int) const override {
    auto r = std::make_unique<FailingRenderer>();
    r->failure = failure;
    return r;
  }
};

// The pixels `area` of `page` at `zoom`, once every tile they need is drawn.
QImage shown(PdfPicture& page, const QRect& area, double zoom) {
  QImage image(area.size(), QImage::Format_RGB32);
  for (int pass = 0; pass < 2; ++pass) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    page.paint(painter, area, zoom);
    painter.end();
    page.waitUntilReady();
  }
  return image;
}

}  // namespace

class TestPdf : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void pageAndResolution_data();
  void pageAndResolution();
  void dialogOffersPageAndResolution();
  void resolutionIsWhatIsTyped_data();
  void resolutionIsWhatIsTyped();
  void dialogBoxesAreNamedByTheirCaptions();
  void lineLandsOnItsPixels_data();
  void lineLandsOnItsPixels();
  void captureRecordsWhatARasterExportWould();
  void turnedPageIsShownTurned();
  void failuresKeepThePicture_data();
  void failuresKeepThePicture();
  void lockedPdf();
  void tileThatFailsIsShownAndTold_data();
  void tileThatFailsIsShownAndTold();
  void cacheStaysWithinItsBudget();
  void clickOnAHugePageZoomedFarIn_data();
  void clickOnAHugePageZoomedFarIn();
  void barsReachTheEndOfAHugePage();
  void withoutPopplerRasterPicturesStillOpen();

 private:
  // A PDF of pages of `sizes` points (whole points, as PDF writers keep
  // them), each with a 3 pt black line from (72, 100) to (144, 100) and a
  // label.
  QString writePdf(const QString& name, const QList<QSizeF>& sizes);
  QString qpdf(const QString& name, const QStringList& arguments, const QString& input);
  QStringList told() const { return m_told; }

  QTemporaryDir m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  FakePdfPrompts* m_prompts = nullptr;
  QStringList m_told;
  QTimer m_answerer;
};

void TestPdf::initTestCase() {
  QVERIFY(m_dir.isValid());
  usePdfModule(QStringLiteral(KOORDEL_PDF_MODULE));
  QVERIFY2(pdfAvailable(), KOORDEL_PDF_MODULE);
  connect(&m_answerer, &QTimer::timeout, this, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      m_told << box->text();
      box->accept();
    }
  });
  m_answerer.start(10);
}

void TestPdf::init() {
  m_told.clear();
  m_scripted = std::make_unique<ScriptedWindow>();
  auto prompts = std::make_unique<FakePdfPrompts>();
  m_prompts = prompts.get();
  m_scripted->window.setPdfPrompts(std::move(prompts));
}

void TestPdf::cleanup() {
  m_scripted.reset();
}

QString TestPdf::writePdf(const QString& name, const QList<QSizeF>& sizes) {
  const QString path = m_dir.filePath(name);
  QPdfWriter writer(path);
  writer.setResolution(72);  // painter units are points
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(sizes.first(), QPageSize::Point));
  QPainter painter(&writer);
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(QPageSize(sizes.at(i), QPageSize::Point));
      writer.newPage();
    }
    painter.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(72, 100), QPointF(144, 100));
    painter.drawText(QPointF(72, 200), u"ページ %1"_s.arg(i + 1));
  }
  painter.end();
  return path;
}

QString TestPdf::qpdf(const QString& name, const QStringList& arguments, const QString& input) {
  const QString output = m_dir.filePath(name);
  QProcess tool;
  tool.start(u"qpdf"_s, arguments + QStringList{input, output});
  if (!tool.waitForFinished(20000) || tool.exitCode() != 0) {
    qFatal("qpdf failed: %s", tool.readAllStandardError().constData());
  }
  return output;
}

void TestPdf::pageAndResolution_data() {
  QTest::addColumn<int>("page");
  QTest::addColumn<int>("dpi");
  QTest::addColumn<QSize>("size");
  // A4 portrait, US letter, a small landscape card: (points x dpi / 72).
  QTest::newRow("page 1 at 96 dpi") << 0 << 96 << QSize(793, 1123);
  QTest::newRow("page 2 at 200 dpi") << 1 << 200 << QSize(1700, 2200);
  QTest::newRow("page 3 at 36 dpi") << 2 << 36 << QSize(150, 100);
  QTest::newRow("page 3 at 2400 dpi") << 2 << 2400 << QSize(10000, 6667);
}

void TestPdf::pageAndResolution() {
  QFETCH(int, page);
  QFETCH(int, dpi);
  QFETCH(QSize, size);
  const QString pdf =
      writePdf(u"three.pdf"_s, {QSizeF(595, 842), QSizeF(612, 792), QSizeF(300, 200)});
  m_prompts->choice = PdfChoice{page, dpi};
  m_scripted->files->answers = {pdf};
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_prompts->asked, QStringList{u"choose of 3"_s});
  QCOMPARE(m_scripted->window.canvas()->surface().size(), size);
  QVERIFY(m_told.isEmpty());
  // A PDF is recognised by what it holds, whatever its name.
  QVERIFY(looksLikePdf(pdf));
  QVERIFY(!looksLikePdf(m_dir.filePath(u"nothing"_s)));
}

// The real dialog: page 1 of 3 offered, 200 dpi to begin with, the size
// shown follows what is typed, and 開く opens what it shows.
void TestPdf::dialogOffersPageAndResolution() {
  const QString pdf =
      writePdf(u"three.pdf"_s, {QSizeF(595, 842), QSizeF(612, 792), QSizeF(300, 200)});
  m_scripted->window.setPdfPrompts(std::make_unique<QtPdfPrompts>(&m_scripted->window));
  QStringList seen;
  answerNextModal([&](QWidget* dialog) {
    auto* page = dialog->findChild<QSpinBox*>(u"ページ"_s);
    auto* dpi = dialog->findChild<QComboBox*>(u"解像度"_s);
    auto* size = dialog->findChild<QLabel*>(u"画像の大きさ"_s);
    seen << dialog->windowTitle() << QString::number(page->maximum())
         << QString::number(page->value()) << dpi->currentText() << size->text();
    dpi->setCurrentText(u"30"_s);  // below what is allowed: nothing to open
    seen << size->text()
         << QString::number(
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
    page->setValue(3);
    dpi->setCurrentText(u"144"_s);
    seen << size->text();
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  m_scripted->files->answers = {pdf};
  m_scripted->run(u"A11"_s);
  QCOMPARE(seen, (QStringList{u"PDF を開く"_s, u"3"_s, u"1"_s, u"200"_s, u"1653 × 2339 画素"_s,
                              u"36 から 2400 までの整数を入れてください"_s, u"0"_s,
                              u"600 × 400 画素"_s}));
  QCOMPARE(m_scripted->window.canvas()->surface().size(), QSize(600, 400));
}

void TestPdf::resolutionIsWhatIsTyped_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("returnKey");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QSize>("opened");  // empty where nothing can open
  const QString why = u"36 から 2400 までの整数を入れてください"_s;
  // A page of 720 x 360 points: at d dpi, 10 d x 5 d pixels.
  QTest::newRow("40, a prefix of 400")
      << u"40"_s << false << u"400 × 200 画素"_s << QSize(400, 200);
  QTest::newRow("60 and Return") << u"60"_s << true << u"600 × 300 画素"_s << QSize(600, 300);
  QTest::newRow("4, below the range") << u"4"_s << false << why << QSize();
  QTest::newRow("4 and Return") << u"4"_s << true << why << QSize();
  QTest::newRow("-5") << u"-5"_s << false << why << QSize();
  QTest::newRow("100000") << u"100000"_s << false << why << QSize();
  QTest::newRow("not a number") << u"2x"_s << false << why << QSize();
}

// What is typed into the resolution box is what opens: nothing completed
// from the list, nothing fixed up.
void TestPdf::resolutionIsWhatIsTyped() {
  QFETCH(QString, typed);
  QFETCH(bool, returnKey);
  QFETCH(QString, shown);
  QFETCH(QSize, opened);
  const QString pdf = writePdf(u"wide.pdf"_s, {QSizeF(720, 360)});
  m_scripted->window.setPdfPrompts(std::make_unique<QtPdfPrompts>(&m_scripted->window));
  QStringList seen;
  answerNextModal([&](QWidget* dialog) {
    auto* dpi = dialog->findChild<QComboBox*>(u"解像度"_s);
    QPushButton* open = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dpi->setFocus();
    dpi->lineEdit()->selectAll();
    QTest::keyClicks(dpi, typed);
    if (returnKey) {
      QTest::keyClick(dpi, Qt::Key_Return);
    }
    seen << dpi->currentText() << dialog->findChild<QLabel*>(u"画像の大きさ"_s)->text()
         << QString::number(open->isEnabled());
    if (dialog->isVisible()) {
      (open->isEnabled() ? open
                         : dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel))
          ->click();
    }
  });
  m_scripted->files->answers = {pdf};
  m_scripted->run(u"A11"_s);
  QCOMPARE(seen, (QStringList{typed, shown, QString::number(!opened.isEmpty())}));
  if (opened.isEmpty()) {
    QVERIFY(m_scripted->window.canvas()->surface().shown() == nullptr);
  } else {
    QCOMPARE(m_scripted->window.canvas()->surface().size(), opened);
  }
}

// A screen reader says what each box of the dialog is for, not what it
// happens to hold.
void TestPdf::dialogBoxesAreNamedByTheirCaptions() {
  const QString pdf = writePdf(u"two.pdf"_s, {QSizeF(300, 200), QSizeF(300, 200)});
  m_scripted->window.setPdfPrompts(std::make_unique<QtPdfPrompts>(&m_scripted->window));
  QStringList said;
  answerNextModal([&](QWidget* dialog) {
    QList<QWidget*> boxes;
    for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
      boxes << box;
      if (box->isEditable()) {
        boxes << box->lineEdit();
      }
    }
    for (QAbstractSpinBox* box : dialog->findChildren<QAbstractSpinBox*>()) {
      boxes << box;
    }
    for (QWidget* box : boxes) {
      const Spoken s = spoken(box);
      said << s.name + u'=' + s.value;
    }
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  m_scripted->files->answers = {pdf};
  m_scripted->run(u"A11"_s);
  QCOMPARE(said, (QStringList{u"解像度（dpi）=200"_s, u"解像度（dpi）=200"_s, u"ページ=1"_s}));
}

void TestPdf::lineLandsOnItsPixels_data() {
  QTest::addColumn<int>("dpi");
  QTest::addColumn<double>("zoom");
  for (int dpi : {96, 200, 400}) {
    for (double zoom : {1.0, 0.5, 3.0}) {
      QTest::addRow("%d dpi at %g", dpi, zoom) << dpi << zoom;
    }
  }
}

// The line at y = 100 points lies on picture row 100 x dpi / 72, whatever
// the zoom: positions in twips are right.
void TestPdf::lineLandsOnItsPixels() {
  QFETCH(int, dpi);
  QFETCH(double, zoom);
  const QString pdf = writePdf(u"line.pdf"_s, {QSizeF(595, 842)});
  const OpenedPdf opened = openPdf(pdf);
  QVERIFY(opened.document);
  PdfPicture page(opened.document, 0, dpi);
  const double y = 100.0 * dpi / 72 * zoom;  // the line's centre, on screen
  const double x = 108.0 * dpi / 72 * zoom;  // the middle of the line
  const int reach = int(std::ceil(1.5 * dpi / 72 * zoom)) + 6;
  const QRect around(int(x) - 10, int(y) - reach, 20, 2 * reach);
  const QImage image = shown(page, around, zoom);
  const int row = int(std::floor(y)) - around.top();
  QVERIFY2(qGray(image.pixel(10, row)) < 100,
           qPrintable(QString::number(qGray(image.pixel(10, row)))));
  // Clear of the line's half width (1.5 pt) and its antialiased edge.
  const int away = int(std::ceil(1.5 * dpi / 72 * zoom)) + 2;
  QCOMPARE(qGray(image.pixel(10, row + away)), 255);
  QCOMPARE(qGray(image.pixel(10, row - away)), 255);
}

void TestPdf::captureRecordsWhatARasterExportWould() {
  const QString pdf = writePdf(u"capture.pdf"_s, {QSizeF(595, 842)});
  const OpenedPdf opened = openPdf(pdf);
  QVERIFY(opened.document);
  // The raster export: the whole page drawn at 200 dpi.
  const QSize size = PdfPicture::sizeFor(opened.document->pageSize(0), 200);
  QImage exported =
      opened.document->renderer(0)->render(200, QRect(QPoint(0, 0), size), [] { return false; });
  QCOMPARE(exported.size(), size);
  const QString png = m_dir.filePath(u"export.png"_s);
  QVERIFY(exported.save(png));

  QStringList records;
  for (const QString& file : {pdf, png}) {
    init();
    m_prompts->choice = PdfChoice{0, 200};
    m_scripted->files->answers = {file};
    m_scripted->run(u"A11"_s);
    QCOMPARE(m_scripted->window.canvas()->surface().size(), size);
    m_scripted->choose(u"C11"_s, 2);  // 線
    m_scripted->window.zoomAbout(2, QPointF(0, 0));
    CanvasWidget* canvas = m_scripted->window.canvas();
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(401, 555));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(803, 555));
    const ValueSheet& sheet = m_scripted->window.valueSheet();
    records << QStringList{sheet.text(Field::down座標x), sheet.text(Field::up座標x),
                           sheet.text(Field::変換up座標y)}
                   .join(u',');
    // The line is drawn on the page's own pixel grid, as on the scan.
    QCOMPARE(m_scripted->window.canvas()->surface().layer().tileCount() > 0, true);
  }
  QCOMPARE(records.at(0), records.at(1));
  // At 200 %, screen pixel 401 is image pixel 200.5: 3007.5 twips.
  QCOMPARE(
      records.at(0),
      u"%1,%2,%3"_s.arg(401 / 2.0 * 15).arg(803 / 2.0 * 15).arg(2 - 555 / 2.0 * 15, 0, 'f', 2));
}

// A page turned a quarter shows turned, with its width and height swapped.
void TestPdf::turnedPageIsShownTurned() {
  const QString pdf =
      qpdf(u"turned.pdf"_s, {u"--rotate=+90"_s}, writePdf(u"upright.pdf"_s, {QSizeF(595, 842)}));
  const OpenedPdf opened = openPdf(pdf);
  QVERIFY(opened.document);
  PdfPicture page(opened.document, 0, 72);
  QCOMPARE(page.size(), QSize(842, 595));
  // Turned clockwise, the line at 100 pt from the top now stands 100 pt from
  // the right edge, from 72 to 144 pt down.
  const QImage image = shown(page, QRect(QPoint(0, 0), page.size()), 1);
  const int x = 842 - 100;
  QVERIFY(qGray(image.pixel(x, 108)) < 100);
  QCOMPARE(qGray(image.pixel(100, 108)), 255);
}

void TestPdf::failuresKeepThePicture_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("message");
  QTest::newRow("damaged") << u"damaged"_s << u"PDF ファイルが壊れているため開けません。"_s;
  QTest::newRow("no pages") << u"empty"_s << u"この PDF にはページがありません。"_s;
  // A page tree that counts a page it does not hold: the library opens the
  // file but cannot read the page.
  QTest::newRow("page missing") << u"missing"_s
                                << u"PDF の 1 ページ目が壊れているため開けません。"_s;
  QTest::newRow("cancelled") << u"cancel"_s << QString();
}

void TestPdf::failuresKeepThePicture() {
  QFETCH(QString, kind);
  QFETCH(QString, message);
  QImage before(300, 200, QImage::Format_RGB32);
  before.fill(Qt::green);
  const QString png = m_dir.filePath(u"before.png"_s);
  QVERIFY(before.save(png));
  m_scripted->files->answers = {png};
  m_scripted->run(u"A11"_s);

  QString pdf = writePdf(u"whole.pdf"_s, {QSizeF(595, 842)});
  if (kind == u"damaged"_s) {
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    file.resize(0);
    file.write(bytes.left(200) + QByteArray(400, 'x'));  // the header, then garbage
  } else if (kind == u"empty"_s || kind == u"missing"_s) {
    pdf = m_dir.filePath(kind + u".pdf"_s);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray body = "%PDF-1.4\n";
    const int catalog = static_cast<int>(body.size());
    body += "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
    const int pages = static_cast<int>(body.size());
    body += kind == u"empty"_s ? "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                               : "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n";
    const int xref = static_cast<int>(body.size());
    body += QStringLiteral("xref\n0 3\n0000000000 65535 f \n%1 00000 n \n%2 00000 n \n")
                .arg(catalog, 10, 10, QChar(u'0'))
                .arg(pages, 10, 10, QChar(u'0'))
                .toLatin1();
    body +=
        "trailer << /Size 3 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    file.write(body);
  } else {
    m_prompts->choice.reset();
  }
  m_scripted->files->answers = {pdf};
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_told.size(), message.isEmpty() ? 0 : 1);
  if (!message.isEmpty()) {
    QVERIFY2(m_told.at(0).startsWith(message), qPrintable(m_told.at(0)));
  }
  // The picture that was shown stays.
  QCOMPARE(m_scripted->window.canvas()->surface().size(), QSize(300, 200));
  QCOMPARE(m_scripted->window.canvas()->surface().picture().pixel(5, 5), qRgb(0, 255, 0));
}

void TestPdf::lockedPdf() {
  const QString locked =
      qpdf(u"locked.pdf"_s, {u"--encrypt"_s, u"secret"_s, u"owner"_s, u"256"_s, u"--"_s},
           writePdf(u"open.pdf"_s, {QSizeF(300, 200)}));
  m_scripted->files->answers = {locked, locked, locked, locked};
  // Cancelled: nothing happens, nothing is said.
  m_prompts->given.reset();
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_prompts->asked, QStringList{u"password"_s});
  QVERIFY(m_told.isEmpty());
  // Wrong: told, and nothing changes.
  m_prompts->given = QByteArray("guess");
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_told.size(), 1);
  QVERIFY(m_told.at(0).startsWith(u"パスワードが違います。"_s));
  QVERIFY(m_scripted->window.canvas()->surface().shown() == nullptr);
  // Left empty: told so, not asked again for what was just asked.
  m_prompts->given = QByteArray();
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_told.size(), 2);
  QVERIFY2(m_told.at(1).startsWith(u"パスワードが空です。"_s), qPrintable(m_told.at(1)));
  QCOMPARE(m_prompts->asked.size(), 3);
  QVERIFY(m_scripted->window.canvas()->surface().shown() == nullptr);
  // Right: the page opens.
  m_prompts->given = QByteArray("secret");
  m_scripted->run(u"A11"_s);
  QCOMPARE(m_prompts->asked.last(), u"choose of 1"_s);
  QCOMPARE(m_scripted->window.canvas()->surface().size(), QSize(400, 267));
}

void TestPdf::tileThatFailsIsShownAndTold_data() {
  QTest::addColumn<Failure>("failure");
  QTest::addColumn<QString>("message");
  QTest::newRow("fails") << Failure::Fails << u"PDF のページの一部を描けませんでした"_s;
  QTest::newRow("takes too long") << Failure::Endless << u"時間がかかりすぎる"_s;
  QTest::newRow("out of memory") << Failure::OutOfMemory
                                 << u"PDF のページの一部を描けませんでした"_s;
}

void TestPdf::tileThatFailsIsShownAndTold() {
  QFETCH(Failure, failure);
  QFETCH(QString, message);
  auto document = std::make_shared<FailingDocument>();
  document->failure = failure;
  PdfPicture page(document, 0, 72);
  page.setRenderLimit(100);
  QStringList problems;
  page.setProblemHandler([&](const QString& p) { problems << p; });
  const QImage image = shown(page, QRect(0, 0, 600, 700), 1);
  shown(page, QRect(0, 0, 600, 700), 2);  // more failing tiles, told no more
  QCOMPARE(problems.size(), 1);
  QVERIFY2(problems.at(0).contains(message), qPrintable(problems.at(0)));
  // A red net where the page could not be drawn, not an endless grey.
  int red = 0;
  for (int x = 0; x < 100; ++x) {
    red += qRed(image.pixel(x, x)) > qGreen(image.pixel(x, x)) + 40;
  }
  QVERIFY(red > 0);
}

// Scrolling over a whole A0 page at 200 dpi: the drawn tiles kept never
// exceed the budget, and the page is drawn piece by piece, never whole.
void TestPdf::cacheStaysWithinItsBudget() {
  const QString pdf = writePdf(u"a0.pdf"_s, {QSizeF(2384, 3370)});
  const OpenedPdf opened = openPdf(pdf);
  QVERIFY(opened.document);
  constexpr qsizetype kBudget = 8 * 1024 * 1024;
  PdfPicture page(opened.document, 0, 200, 2, kBudget);
  QCOMPARE(page.size(), QSize(6622, 9361));
  const QSize screen(1000, 700);
  qsizetype most = 0;
  for (int y = 0; y < page.size().height(); y += screen.height()) {
    for (int x = 0; x < page.size().width(); x += screen.width()) {
      shown(page, QRect(QPoint(x, y), screen), 1);
      most = std::max(most, page.cachedBytes());
    }
  }
  QVERIFY2(most <= kBudget, qPrintable(QString::number(most)));
  QVERIFY(page.renders() >= 30);  // tiles, not the page at once
}

// Without the PDF module (or Poppler) the program still starts and opens
// pictures; only a PDF says what is missing.
void TestPdf::clickOnAHugePageZoomedFarIn_data() {
  QTest::addColumn<int>("across");
  QTest::newRow("near the start") << 1000;
  QTest::newRow("in the middle") << 3333333;
  QTest::newRow("near the end") << 6666000;
}

// A page 200,000 pt wide at 2400 dpi is 6.7 million pixels: Ctrl + wheel
// turned far in at a known image point keeps it under the pointer, however
// far the zoom has to stop, and a click there records its twips.
void TestPdf::clickOnAHugePageZoomedFarIn() {
  QFETCH(int, across);
  m_prompts->choice = PdfChoice{0, 2400};
  QVERIFY(m_scripted->window.openPicture(writePdf(u"wide.pdf"_s, {QSizeF(200000, 200)})));
  MainWindow& window = m_scripted->window;
  CanvasWidget* canvas = window.canvas();
  QCOMPARE(canvas->surface().size(), QSize(6666667, 6667));
  // Image pixel `across` under the middle of the picture area.
  QWidget* area = window.pictureArea();
  const QPointF middle(area->width() / 2 + 0.5, 100.5);
  window.horizontalBar()->setValue((across - area->width() / 2) * 15);
  QCOMPARE(QPointF(canvas->mapFrom(area, middle)), QPointF(across + 0.5, 100.5));

  // Forty notches would be ten doublings, far beyond 3200 %.
  QWidget* under = area->childAt(middle.toPoint());
  QCOMPARE(under, canvas);
  const QPointF at = canvas->mapFrom(area, middle);
  QWheelEvent wheel(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, 40 * 120), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &wheel);
  QVERIFY2(canvas->zoom() > 2, qPrintable(QString::number(canvas->zoom())));
  // The canvas is as wide as the page so magnified: a widget can be no wider.
  QCOMPARE(canvas->size(), canvas->surface().scaledSize(canvas->zoom()));

  const QPointF onCanvas = canvas->mapFrom(area, middle);
  QMouseEvent press(QEvent::MouseButtonPress, onCanvas, canvas->mapToGlobal(onCanvas),
                    Qt::LeftButton, Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, onCanvas, canvas->mapToGlobal(onCanvas),
                      Qt::LeftButton, Qt::NoButton, {});
  QApplication::sendEvent(canvas, &press);
  QApplication::sendEvent(canvas, &release);
  // The canvas lies on whole screen pixels: the point may move by half of
  // one. Twips are floats, good to 4 twips at a hundred million.
  const double slack = 0.5 / canvas->zoom() * 15;
  const ValueSheet& sheet = window.valueSheet();
  const double x = sheet.number(Field::up座標x);
  QVERIFY2(std::abs(x - (across + 0.5) * 15) <= slack + 4, qPrintable(QString::number(x, 'f', 1)));
  QVERIFY2(std::abs(sheet.number(Field::up座標y) - 100.5 * 15) <= slack,
           qPrintable(sheet.text(Field::up座標y)));
}

// Zoomed in as far as the page allows, the bars scroll over all of it: the
// far end lies at the area's edge, where a click records the page's last
// pixel.
void TestPdf::barsReachTheEndOfAHugePage() {
  m_prompts->choice = PdfChoice{0, 2400};
  QVERIFY(m_scripted->window.openPicture(writePdf(u"wide.pdf"_s, {QSizeF(200000, 200)})));
  MainWindow& window = m_scripted->window;
  CanvasWidget* canvas = window.canvas();
  for (int i = 0; i < 40; ++i) {
    m_scripted->run(u"拡大"_s);
  }
  const double most = canvas->zoom();
  QVERIFY(most > 2 && most < 32);
  m_scripted->run(u"拡大"_s);
  QCOMPARE(canvas->zoom(), most);
  QVERIFY(canvas->width() <= QWIDGETSIZE_MAX);
  QCOMPARE(canvas->size(), canvas->surface().scaledSize(most));

  QScrollBar* bar = window.horizontalBar();
  QVERIFY(bar->maximum() > 0);
  bar->setValue(bar->maximum());
  QWidget* area = window.pictureArea();
  QCOMPARE(canvas->mapTo(area, QPoint(canvas->width(), 0)).x(), area->width());
  const QPointF last = canvas->mapFrom(area, QPointF(area->width() - 0.5, 10.5));
  QMouseEvent press(QEvent::MouseButtonPress, last, canvas->mapToGlobal(last), Qt::LeftButton,
                    Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, last, canvas->mapToGlobal(last), Qt::LeftButton,
                      Qt::NoButton, {});
  QApplication::sendEvent(canvas, &press);
  QApplication::sendEvent(canvas, &release);
  const double x = window.valueSheet().number(Field::up座標x);
  QVERIFY2(x >= 6666666 * 15 - 8 && x <= 6666667 * 15 + 8, qPrintable(QString::number(x, 'f', 1)));

  // A page wider than a widget even at 100 % (600,000 pt is 20 million
  // pixels) opens as near to it as it can; the next page at 100 % again.
  QVERIFY(window.openPicture(writePdf(u"wider.pdf"_s, {QSizeF(600000, 200)})));
  QVERIFY(canvas->zoom() < 1);
  QVERIFY(canvas->width() <= QWIDGETSIZE_MAX && canvas->width() > QWIDGETSIZE_MAX - 2);
  m_prompts->choice = PdfChoice{0, 96};
  QVERIFY(window.openPicture(writePdf(u"small.pdf"_s, {QSizeF(595, 842)})));
  QCOMPARE(canvas->zoom(), 1.0);
  QCOMPARE(canvas->size(), QSize(793, 1123));
}

void TestPdf::withoutPopplerRasterPicturesStillOpen() {
  const QString alone = m_dir.filePath(u"alone"_s);
  QVERIFY(QDir().mkpath(alone));
  QVERIFY(QFile::copy(QStringLiteral(KOORDEL_PROGRAM), alone + u"/koordel"_s));
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const QString png = m_dir.filePath(u"small.png"_s);
  QVERIFY(picture.save(png));
  const QString pdf = writePdf(u"any.pdf"_s, {QSizeF(300, 200)});
  QProcess program;
  program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
  program.start(alone + u"/koordel"_s, {u"--check"_s, png, pdf});
  QVERIFY(program.waitForFinished(20000));
  const QString out = QString::fromUtf8(program.readAllStandardOutput());
  QVERIFY2(out.contains(u"small.png: 開けました"_s), qPrintable(out));
  QVERIFY2(out.contains(u"PDF を開くには Poppler"_s), qPrintable(out));
  QCOMPARE(program.exitCode(), 1);
}

QTEST_MAIN(TestPdf)
#include "tst_pdf.moc"

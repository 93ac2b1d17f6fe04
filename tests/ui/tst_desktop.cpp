// What the desktop expects of the window: a file dropped on it, the pictures
// opened lately, the next page of a PDF, and the window and a few choices
// kept for the next run in a store of the test's own.
#include "CanvasWidget.h"
#include "DesktopMemory.h"
#include "FileDrop.h"
#include "ModalAnswer.h"
#include "PageTurner.h"
#include "PdfFiles.h"
#include "PictureCanvas.h"
#include "RecentFiles.h"
#include "ScriptedWindow.h"
#include "Spoken.h"
#include "WindowPlacement.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct FakePdfPrompts : PdfPrompts {
  PdfChoice choice{0, 96};
  QStringList asked;
  bool fails = false;
  std::optional<PdfChoice> choose(const QString&, const PdfDocument&) override {
    asked << u"choose at %1"_s.arg(startingDpi());
    if (fails) {
      throw std::runtime_error("no dialog");
    }
    return choice;
  }
  std::optional<QByteArray> password(const QString&) override { return std::nullopt; }
};

// A window of its own around a store in the test's folder.
struct Window : ScriptedWindow {
  FakePdfPrompts* pdf = nullptr;
  Window() {
    auto p = std::make_unique<FakePdfPrompts>();
    pdf = p.get();
    window.setPdfPrompts(std::move(p));
  }
  QStringList recent() const {
    QStringList captions;
    for (QAction* a : window.findChild<QMenu*>(u"最近使ったファイル"_s)->actions()) {
      captions << a->text();
    }
    return captions;
  }
};

std::unique_ptr<MainWindow> windowOn(const QString& store) {
  auto w = std::make_unique<MainWindow>(nullptr, std::make_unique<DesktopMemory>(store));
  w->setPrompts(std::make_unique<FakePrompts>());
  w->setFileDialog(std::make_unique<ScriptedFileDialog>());
  return w;
}

void drop(QWidget* on, const QMimeData& data) {
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(on, &enter);
  QVERIFY(enter.isAccepted());
  QCOMPARE(enter.dropAction(), Qt::CopyAction);  // never a move: the file stays
  QDropEvent dropped(QPointF(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(on, &dropped);
  QVERIFY(dropped.isAccepted());
}

}  // namespace

class TestDesktop : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void damagedStoreIsIgnored_data();
  void damagedStoreIsIgnored();
  void keptForTheNextRun();
  void placedInsideAScreen_data();
  void placedInsideAScreen();
  void windowComesBackInsideTheScreen();
  void dialogsStartWhereTheyLastChose();
  void recentListOrderAndLimit_data();
  void recentListOrderAndLimit();
  void recentMenuNewestFirstAndMissingFileTold();
  void recentMenuShowsAnAmpersandAsItIs();
  void recentPdfReopensAtItsPageAndResolution();
  void damagedPictureLeavesTheRecentList();
  void recentPdfWithFewerPagesAsksAgain();
  void drops_data();
  void drops();
  void dropsOnTheCommentBox();
  void dropWaitsForTheGestureToEnd();
  void pagesTurnWithinThePdf();
  void pageKeysLeaveTheCommentAlone();

 private:
  QString picture(const QString& name, QSize size = QSize(40, 30));
  QString pdf(const QString& name, int pages);
  QTemporaryDir m_dir;
};

void TestDesktop::initTestCase() {
  QVERIFY(m_dir.isValid());
  usePdfModule(QStringLiteral(KOORDEL_PDF_MODULE));
  QVERIFY(pdfAvailable());
}

QString TestDesktop::picture(const QString& name, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QString path = m_dir.filePath(name);
  image.save(path);
  return path;
}

// Page n (from 1) is 100 + n points wide: each page has a size of its own.
QString TestDesktop::pdf(const QString& name, int pages) {
  const QString path = m_dir.filePath(name);
  QPdfWriter writer(path);
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(QSizeF(101, 200), QPageSize::Point));
  QPainter painter(&writer);
  for (int i = 0; i < pages; ++i) {
    if (i > 0) {
      writer.setPageSize(QPageSize(QSizeF(101 + i, 200), QPageSize::Point));
      writer.newPage();
    }
    painter.drawLine(QPointF(10, 10), QPointF(90, 10));
  }
  return path;
}

void TestDesktop::damagedStoreIsIgnored_data() {
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<bool>("folder");  // a folder where the store should be
  QTest::newRow("bytes of anything") << QByteArray("\x00\xff\x13[[[=\n\xfe", 9) << false;
  QTest::newRow("values of the wrong kind")
      << QByteArray(
             "[window]\nx=left\ny=@Rect(1 2)\nwidth=-5\nheight=1e99\n"
             "[pdf]\ndpi=9999\n[view]\nloupe=perhaps\n")
      << false;
  QTest::newRow("a list that says it is endless")
      << QByteArray("[recent]\nsize=2147483647\n1\\path=/a.png\n2\\page=-3\n2\\path=/b.pdf\n")
      << false;
  QTest::newRow("a store that cannot be read") << QByteArray() << true;
}

// Whatever the store holds, each value is taken only as what it should be;
// the window opens as if nothing had been kept.
void TestDesktop::damagedStoreIsIgnored() {
  QFETCH(QByteArray, contents);
  QFETCH(bool, folder);
  const QString store = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()));
  if (folder) {
    QVERIFY(QDir().mkpath(store));
  } else {
    QFile file(store);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }
  DesktopMemory memory(store);
  QVERIFY(!memory.placement());
  QVERIFY(!memory.pdfDpi());
  QVERIFY(!memory.loupeOn());
  QVERIFY(memory.recentFiles().size() <= 1);
  auto window = windowOn(store);
  QCOMPARE(window->size(), window->sizeHint());
  // Nor does keeping something new fail.
  memory.rememberPdfDpi(300);
  QCOMPARE(memory.pdfDpi(), 300);
}

void TestDesktop::keptForTheNextRun() {
  const QString store = m_dir.filePath(u"kept.conf"_s);
  {
    DesktopMemory memory(store);
    memory.rememberPlacement({QRect(30, 40, 900, 700), true});
    memory.rememberFolder(u"設定保存"_s, u"/srv/settings"_s);
    memory.rememberFolder(u"平面画像読込"_s, u"/srv/scans"_s);
    memory.rememberPdfDpi(400);
    memory.rememberLoupe(true);
    memory.rememberRecentFiles({{u"/a.pdf"_s, 2, 300}, {u"/b.png"_s, std::nullopt, 0}});
  }
  const DesktopMemory next(store);
  QCOMPARE(next.placement()->geometry, QRect(30, 40, 900, 700));
  QVERIFY(next.placement()->maximized);
  // Loading settings looks where they were saved.
  QCOMPARE(next.folder(u"設定読込"_s), u"/srv/settings"_s);
  QCOMPARE(next.folder(u"平面画像読込"_s), u"/srv/scans"_s);
  QCOMPARE(next.pdfDpi(), 400);
  QVERIFY(next.loupeOn());
  QCOMPARE(next.recentFiles(),
           (QList<RecentFile>{{u"/a.pdf"_s, 2, 300}, {u"/b.png"_s, std::nullopt, 0}}));

  // The loupe's check and the PDF dialog's first resolution come back.
  Window fresh;
  auto window = windowOn(store);
  QVERIFY(window->findChild<QAction*>(u"ルーペ"_s)->isChecked());
  auto prompts = std::make_unique<FakePdfPrompts>();
  FakePdfPrompts* asked = prompts.get();
  window->setPdfPrompts(std::move(prompts));
  QCOMPARE(asked->startingDpi(), 400);
  QVERIFY(!fresh.window.findChild<QAction*>(u"ルーペ"_s)->isChecked());
  QCOMPARE(fresh.pdf->startingDpi(), PdfPrompts::kDefaultDpi);
}

void TestDesktop::placedInsideAScreen_data() {
  QTest::addColumn<QRect>("wanted");
  QTest::addColumn<QList<QRect>>("screens");
  QTest::addColumn<QRect>("placed");
  const QRect one(0, 0, 1600, 1000);
  const QRect two(1600, 0, 1280, 1024);
  QTest::newRow("on the screen") << QRect(100, 80, 800, 600) << QList{one}
                                 << QRect(100, 80, 800, 600);
  QTest::newRow("off the right") << QRect(1500, 80, 800, 600) << QList{one}
                                 << QRect(800, 80, 800, 600);
  QTest::newRow("above and left") << QRect(-300, -50, 800, 600) << QList{one}
                                  << QRect(0, 0, 800, 600);
  QTest::newRow("larger than the screen")
      << QRect(10, 10, 3000, 2000) << QList{one} << QRect(0, 0, 1600, 1000);
  QTest::newRow("on a screen since unplugged")
      << QRect(2000, 100, 800, 600) << QList{one} << QRect(800, 100, 800, 600);
  QTest::newRow("mostly on the second screen")
      << QRect(1500, 100, 800, 600) << QList{one, two} << QRect(1600, 100, 800, 600);
}

void TestDesktop::placedInsideAScreen() {
  QFETCH(QRect, wanted);
  QFETCH(QList<QRect>, screens);
  QFETCH(QRect, placed);
  QCOMPARE(WindowPlacement::fitted(wanted, screens), placed);
}

void TestDesktop::windowComesBackInsideTheScreen() {
  const QString store = m_dir.filePath(u"placement.conf"_s);
  DesktopMemory(store).rememberPlacement({QRect(50000, 40000, 99999, 500), false});
  auto window = windowOn(store);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QVERIFY2(screen.contains(window->geometry()), qPrintable(u"%1,%2 %3x%4"_s.arg(window->x())
                                                               .arg(window->y())
                                                               .arg(window->width())
                                                               .arg(window->height())));
  QCOMPARE(window->height(), 500);
  window->show();
  window->resize(950, 560);
  window->close();
  QCOMPARE(DesktopMemory(store).placement()->geometry.size(), QSize(950, 560));
}

void TestDesktop::recentListOrderAndLimit_data() {
  QTest::addColumn<int>("opened");
  QTest::addColumn<QStringList>("reopened");
  QTest::addColumn<QStringList>("listed");
  QTest::newRow("newest first") << 3 << QStringList{} << QStringList{u"2"_s, u"1"_s, u"0"_s};
  QTest::newRow("opened again goes to the top, once")
      << 3 << QStringList{u"0"_s, u"./0"_s} << QStringList{u"0"_s, u"2"_s, u"1"_s};
  QTest::newRow("ten at most") << 12 << QStringList{}
                               << QStringList{u"11"_s, u"10"_s, u"9"_s, u"8"_s, u"7"_s,
                                              u"6"_s,  u"5"_s,  u"4"_s, u"3"_s, u"2"_s};
}

void TestDesktop::recentListOrderAndLimit() {
  QFETCH(int, opened);
  QFETCH(QStringList, reopened);
  QFETCH(QStringList, listed);
  QDir::setCurrent(m_dir.path());
  QList<RecentFile> list;
  for (int i = 0; i < opened; ++i) {
    list = RecentFiles::withOpened(list, {m_dir.filePath(QString::number(i)), std::nullopt, 0});
  }
  for (const QString& name : reopened) {
    list = RecentFiles::withOpened(list, {name, std::nullopt, 0});
  }
  QStringList names;
  for (const RecentFile& file : list) {
    names << QFileInfo(file.path).fileName();
  }
  QCOMPARE(names, listed);
}

void TestDesktop::recentMenuNewestFirstAndMissingFileTold() {
  Window w;
  const QString gone = picture(u"gone.png"_s);
  const QString kept = picture(u"kept.png"_s);
  QVERIFY(!w.window.findChild<QMenu*>(u"最近使ったファイル"_s)->menuAction()->isEnabled());
  QVERIFY(w.window.openPicture(gone));
  QVERIFY(w.window.openPicture(kept));
  QCOMPARE(w.recent(), (QStringList{u"&1 "_s + QDir::toNativeSeparators(kept),
                                    u"&2 "_s + QDir::toNativeSeparators(gone)}));
  QFile::remove(gone);
  MessagesTold told;
  w.window.findChild<QAction*>(u"最近使ったファイル2"_s)->trigger();
  QTRY_COMPARE(told.told.size(), 1);
  QVERIFY(told.told.first().contains(u"が見つかりません"_s));
  QVERIFY(told.told.first().contains(QDir::toNativeSeparators(gone)));
  QCOMPARE(w.recent(), QStringList{u"&1 "_s + QDir::toNativeSeparators(kept)});
}

// "&" in a menu item marks its key: one in a file's name is doubled so that
// the name shows as it is.
void TestDesktop::recentMenuShowsAnAmpersandAsItIs() {
  Window w;
  const QString name = picture(u"R&D 図面.png"_s);
  QVERIFY(w.window.openPicture(name));
  QString shown = QDir::toNativeSeparators(name);
  shown.replace(u"&"_s, u"&&"_s);
  QCOMPARE(w.recent(), QStringList{u"&1 "_s + shown});
}

// The page and resolution listed are opened again without asking.
void TestDesktop::recentPdfReopensAtItsPageAndResolution() {
  Window w;
  const QString drawing = pdf(u"set.pdf"_s, 3);
  w.pdf->choice = {1, 144};
  QVERIFY(w.window.openPicture(drawing));
  QVERIFY(w.window.openPicture(picture(u"between.png"_s)));
  QCOMPARE(w.recent().last(),
           u"&2 %1（2 ページ目、144 dpi）"_s.arg(QDir::toNativeSeparators(drawing)));
  w.window.findChild<QAction*>(u"最近使ったファイル2"_s)->trigger();
  QCOMPARE(w.pdf->asked, QStringList{u"choose at 200"_s});
  QCOMPARE(w.window.canvas()->size(), QSize(204, 400));  // 102 x 200 points at 144 dpi
  // The next PDF offers the resolution chosen last.
  w.pdf->choice = {0, 144};
  QVERIFY(w.window.openPicture(pdf(u"other.pdf"_s, 1)));
  QCOMPARE(w.pdf->asked.last(), u"choose at 144"_s);
}

// A PDF that has lost the page listed asks for one again, as a file never
// seen; whatever goes wrong then is told, and the program goes on.
void TestDesktop::recentPdfWithFewerPagesAsksAgain() {
  Window w;
  const QString drawing = pdf(u"shrinking.pdf"_s, 3);
  const auto listedAtPage3ThenShrunk = [&] {
    w.pdf->choice = {2, 72};
    QVERIFY(w.window.openPicture(pdf(u"shrinking.pdf"_s, 3)));
    QVERIFY(w.window.openPicture(picture(u"meanwhile.png"_s)));
    pdf(u"shrinking.pdf"_s, 1);
    w.pdf->choice = {0, 72};
  };
  listedAtPage3ThenShrunk();
  w.window.findChild<QAction*>(u"最近使ったファイル2"_s)->trigger();
  QCOMPARE(w.pdf->asked.size(), 2);
  QCOMPARE(w.window.recentFiles()->files().first().path, drawing);
  QCOMPARE(w.window.recentFiles()->files().first().page, 0);

  listedAtPage3ThenShrunk();
  w.pdf->fails = true;
  MessagesTold told;
  w.window.findChild<QAction*>(u"最近使ったファイル2"_s)->trigger();
  QTRY_COMPARE(told.told.size(), 1);
  QVERIFY2(told.told.first().contains(u"予期しないエラー"_s), qPrintable(told.told.first()));
  QCOMPARE(w.window.recentFiles()->files().first().path, m_dir.filePath(u"meanwhile.png"_s));
}

// A picture found damaged half-way was never opened: it is not listed, and
// the picture that comes back is the newest again.
void TestDesktop::damagedPictureLeavesTheRecentList() {
  Window w;
  const QString whole = picture(u"whole.png"_s, QSize(30, 20));
  QImage noise(400, 300, QImage::Format_RGB32);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) {
      noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QVERIFY(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "JPG"));
  const QString half = m_dir.filePath(u"half.jpg"_s);
  QFile file(half);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes.left(bytes.size() / 2));
  file.close();
  QVERIFY(w.window.openPicture(picture(u"older.png"_s)));
  QVERIFY(w.window.openPicture(whole));
  QTRY_VERIFY(w.window.loadingIndicator()->isHidden());
  MessagesTold told;
  QVERIFY(w.window.openPicture(half));
  QTRY_COMPARE(told.told.size(), 1);
  QCOMPARE(w.window.canvas()->surface().size(), QSize(30, 20));
  QCOMPARE(w.recent(),
           (QStringList{u"&1 "_s + QDir::toNativeSeparators(whole),
                        u"&2 "_s + QDir::toNativeSeparators(m_dir.filePath(u"older.png"_s))}));
}

void TestDesktop::drops_data() {
  QTest::addColumn<QList<QUrl>>("urls");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("refusal");  // "" when the file opens
  const QUrl png = QUrl::fromLocalFile(m_dir.filePath(u"dropped.png"_s));
  QTest::newRow("one picture") << QList{png} << QString() << QString();
  QTest::newRow("one PDF") << QList{QUrl::fromLocalFile(m_dir.filePath(u"dropped.pdf"_s))}
                           << QString() << QString();
  QTest::newRow("two files") << QList{png, png} << QString() << u"1 つだけ"_s;
  QTest::newRow("a folder") << QList{QUrl::fromLocalFile(m_dir.path())} << QString()
                            << u"フォルダーは開けません"_s;
  QTest::newRow("text") << QList<QUrl>{} << u"P-1"_s << u"画像のファイル 1 つだけ"_s;
  QTest::newRow("a remote file") << QList{QUrl(u"https://example.org/plan.png"_s)} << QString()
                                 << u"このコンピューターにない"_s;
  QTest::newRow("a file URL naming nothing")
      << QList{QUrl(u"file:"_s)} << QString() << u"画像のファイル 1 つだけ"_s;
}

// Dropped on the picture; what is refused leaves the picture shown.
void TestDesktop::drops() {
  QFETCH(QList<QUrl>, urls);
  QFETCH(QString, text);
  QFETCH(QString, refusal);
  picture(u"dropped.png"_s, QSize(64, 48));
  pdf(u"dropped.pdf"_s, 2);
  Window w;
  QVERIFY(w.window.openPicture(picture(u"before.png"_s, QSize(30, 20))));
  QMimeData data;
  if (!urls.isEmpty()) {
    data.setUrls(urls);
  }
  if (!text.isEmpty()) {
    data.setText(text);
  }
  MessagesTold told;
  drop(w.window.canvas(), data);
  if (refusal.isEmpty()) {
    QTRY_VERIFY(w.window.canvas()->size() != QSize(30, 20));
    QCOMPARE(w.pdf->asked.size(), urls.first().path().endsWith(u".pdf") ? 1 : 0);
    QCOMPARE(w.files->offered, QStringList{urls.first().toLocalFile()});
  } else {
    QTRY_COMPARE(told.told.size(), 1);
    QVERIFY2(told.told.first().contains(refusal), qPrintable(told.told.first()));
    QCOMPARE(w.window.canvas()->size(), QSize(30, 20));
  }
  QCOMPARE(w.window.commentBox()->text(), QString());
}

// Text dropped on the comment box goes into it, as on any text box; a file
// dropped there opens, and its name never lands in the comment.
void TestDesktop::dropsOnTheCommentBox() {
  Window w;
  QVERIFY(w.window.openPicture(picture(u"before.png"_s, QSize(30, 20))));
  CommentBox* comment = w.window.commentBox();
  QMimeData text;
  text.setText(u"P-7"_s);
  drop(comment, text);
  QCOMPARE(comment->text(), u"P-7"_s);

  QMimeData file;
  file.setUrls({QUrl::fromLocalFile(picture(u"onto-comment.png"_s, QSize(64, 48)))});
  file.setText(file.urls().first().toString());
  drop(comment, file);
  QTRY_COMPARE(w.window.canvas()->size(), QSize(64, 48));
  QCOMPARE(comment->text(), u"P-7"_s);
}

// A file dropped while a press on the picture waits for its release opens
// once the gesture is done: the shape ends on the picture it began on.
void TestDesktop::dropWaitsForTheGestureToEnd() {
  Window w;
  QVERIFY(w.window.openPicture(picture(u"before.png"_s, QSize(30, 20))));
  QTest::mousePress(w.window.canvas(), Qt::LeftButton, {}, QPoint(5, 5));
  QVERIFY(w.window.canvas()->gestureInProgress());
  QMimeData file;
  file.setUrls({QUrl::fromLocalFile(picture(u"mid-gesture.png"_s, QSize(64, 48)))});
  drop(w.window.canvas(), file);
  QCoreApplication::processEvents();
  QCOMPARE(w.window.canvas()->size(), QSize(30, 20));
  QTest::mouseRelease(w.window.canvas(), Qt::LeftButton, {}, QPoint(20, 15));
  QTRY_COMPARE(w.window.canvas()->size(), QSize(64, 48));
}

// Through the menu and with the keys on the picture: the neighbouring page at
// the same resolution and zoom, the drawings and undo steps of the page left.
void TestDesktop::pagesTurnWithinThePdf() {
  Window w;
  w.pdf->choice = {0, 72};
  QAction* next = w.window.findChild<QAction*>(u"次のページ"_s);
  QAction* previous = w.window.findChild<QAction*>(u"前のページ"_s);
  QVERIFY(!next->isEnabled() && !previous->isEnabled());
  QVERIFY(w.window.openPicture(pdf(u"three.pdf"_s, 3)));
  QVERIFY(next->isEnabled() && !previous->isEnabled());
  w.window.zoomIn();
  const double zoom = w.window.canvas()->zoom();
  w.choose(u"C11"_s, 2);
  QTest::mousePress(w.window.canvas(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(w.window.canvas(), Qt::LeftButton, {}, QPoint(30, 30));
  QVERIFY(w.window.history().canUndo());

  w.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w.window));
  w.window.canvas()->setFocus();
  const auto page = [&] { return w.window.recentFiles()->files().first().page.value_or(-1); };
  const auto key = [&](Qt::Key k) { QTest::keyClick(w.window.canvas(), k); };
  key(Qt::Key_PageDown);
  QCOMPARE(page(), 1);
  QCOMPARE(w.window.canvas()->zoom(), zoom);
  QVERIFY(!w.window.history().canUndo());
  next->trigger();
  QCOMPARE(page(), 2);
  QCOMPARE(w.window.recentFiles()->files().first().dpi, 72);
  QCOMPARE(qRound(w.window.canvas()->width() / zoom), 103);
  QVERIFY(!next->isEnabled() && previous->isEnabled());
  // At the last page the key turns nothing, and the keyboard stays on the
  // picture.
  key(Qt::Key_PageDown);
  QCOMPARE(page(), 2);
  QCOMPARE(QApplication::focusWidget(), w.window.canvas());
  key(Qt::Key_PageUp);
  key(Qt::Key_PageUp);
  QCOMPARE(page(), 0);
  QVERIFY(next->isEnabled() && !previous->isEnabled());
  QCOMPARE(w.window.recentFiles()->files().size(), 1);

  QVERIFY(w.window.openPicture(picture(u"scan.png"_s)));
  QVERIFY(!next->isEnabled() && !previous->isEnabled());
}

// Typing a comment, turning the page, typing on: the comment keeps every
// letter and the keyboard stays where it was.
void TestDesktop::pageKeysLeaveTheCommentAlone() {
  Window w;
  QVERIFY(w.window.openPicture(pdf(u"two.pdf"_s, 2)));
  w.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w.window));
  CommentBox* comment = w.window.commentBox();
  comment->setFocus();
  QTest::keyClicks(comment, u"P-1"_s);
  QTest::keyClick(comment, Qt::Key_PageDown);
  QCOMPARE(w.window.recentFiles()->files().first().page, 1);
  QTest::keyClicks(comment, u"a"_s);
  QCOMPARE(comment->text(), u"P-1a"_s);
  QCOMPARE(QApplication::focusWidget(), comment);
  QCOMPARE(spoken(comment).text, u"P-1a"_s);
}

// The first dialog of a run opens in the folder its kind chose in last;
// each choice is kept for the next run.
void TestDesktop::dialogsStartWhereTheyLastChose() {
  const QString scans = m_dir.filePath(u"scans"_s);
  const QString sets = m_dir.filePath(u"sets"_s);
  QVERIFY(QDir().mkpath(scans) && QDir().mkpath(sets));
  const QString store = m_dir.filePath(u"folders.conf"_s);
  DesktopMemory(store).rememberFolder(u"平面画像読込"_s, scans);
  DesktopMemory memory(store);
  QtFileDialog dialogs(nullptr, &memory);
  QString startedIn;
  answerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    startedIn = dialog->directory().absolutePath();
    dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(sets + u"/calib"_s);
    static_cast<QDialog*>(dialog)->accept();
  });
  QCOMPARE(dialogs.chooseFileToSave(u"設定保存"_s), sets + u"/calib"_s);
  QCOMPARE(startedIn, QDir(QDir::currentPath()).absolutePath());  // nothing kept for settings yet
  const DesktopMemory next(store);
  QCOMPARE(next.folder(u"設定読込"_s), sets);
  QCOMPARE(next.folder(u"平面画像読込"_s), scans);

  QtFileDialog fresh(nullptr, &memory);
  answerNextModal([&](QWidget* modal) {
    startedIn = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
    static_cast<QDialog*>(modal)->reject();
  });
  QCOMPARE(fresh.chooseFileToOpen(u"平面画像読込"_s), std::nullopt);
  QCOMPARE(startedIn, scans);
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

// What the desktop expects of the window: the window and a few choices kept
// for the next run in a store of the test's own.
#include "CanvasWidget.h"
#include "DesktopMemory.h"
#include "ModalAnswer.h"
#include "PdfFiles.h"
#include "ScriptedWindow.h"
#include "Spoken.h"
#include "WindowPlacement.h"

#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct FakePdfPrompts : PdfPrompts {
  PdfChoice choice{0, 96};
  QStringList asked;
  std::optional<PdfChoice> choose(const QString&, const PdfDocument&) override {
    asked << u"choose at %1"_s.arg(startingDpi());
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
};

std::unique_ptr<MainWindow> windowOn(const QString& store) {
  auto w = std::make_unique<MainWindow>(nullptr, std::make_unique<DesktopMemory>(store));
  w->setPrompts(std::make_unique<FakePrompts>());
  w->setFileDialog(std::make_unique<ScriptedFileDialog>());
  return w;
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

  // The loupe's check comes back.
  Window fresh;
  auto window = windowOn(store);
  QVERIFY(window->findChild<QAction*>(u"ルーペ"_s)->isChecked());
  QVERIFY(!fresh.window.findChild<QAction*>(u"ルーペ"_s)->isChecked());
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

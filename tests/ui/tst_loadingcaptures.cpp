// Captures made while a picture is still on its way, when that picture then
// turns out damaged: their records go with it, the picture before comes back
// with its own undo steps, and no undo is ever caught half-way by the swap.
#include "CanvasWidget.h"
#include "HeldDecoder.h"
#include "ModalAnswer.h"
#include "ScriptedWindow.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestLoadingCaptures : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void recordsGoWithAPictureThatFails_data();
  void recordsGoWithAPictureThatFails();
  void failureWaitsForAnUndoThatAsks();
  void failureWaitsForTheGestureUnderWay();

 private:
  // A picture shown while `early` of its rows are decoded; the rest, or a
  // failure, when m_release is released.
  HeldDecoder* held(QSize size, int early);
  void line(QPoint from, QPoint to);
  QString failAndHear(HeldDecoder* decoder);
  // The text of the next message box, once it is up; the box is accepted.
  static void hearNextMessage(QString& told);
  MainWindow& window() { return m_scripted->window; }

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  QSemaphore m_release;
  std::atomic<bool> m_sawCancel = false;
};

void TestLoadingCaptures::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  window().setCoordinateFolder(m_dir->path());
  m_release.acquire(m_release.available());
  // The picture before: whole, with a line to the clipboard.
  held(QSize(200, 100), 100);
  m_release.release();
  window().canvas()->waitForPyramid();
  QTRY_VERIFY(!window().loadingIndicator()->isVisible());
  m_scripted->choose(u"B11"_s, 1);
  line(QPoint(10, 10), QPoint(50, 20));
  QCOMPARE(window().history().undoLabel(), u"線 (クリップ)"_s);
}

void TestLoadingCaptures::cleanup() {
  m_release.release(100);
  m_scripted.reset();
}

HeldDecoder* TestLoadingCaptures::held(QSize size, int early) {
  auto decoder = std::make_unique<HeldDecoder>(size, early, &m_release, &m_sawCancel);
  HeldDecoder* raw = decoder.get();
  window().showDecoding(std::move(decoder));
  return raw;
}

void TestLoadingCaptures::line(QPoint from, QPoint to) {
  m_scripted->choose(u"C11"_s, 2);
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, from);
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, to);
}

void TestLoadingCaptures::hearNextMessage(QString& told) {
  answerNextModal([&told](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      told = box->text();
      box->accept();
    }
  });
}

QString TestLoadingCaptures::failAndHear(HeldDecoder* decoder) {
  decoder->end = HeldDecoder::End::Damaged;
  QString told;
  hearNextMessage(told);
  m_release.release();
  return QTest::qWaitFor([&told] { return !told.isEmpty(); }) ? told : QString();
}

void TestLoadingCaptures::recordsGoWithAPictureThatFails_data() {
  QTest::addColumn<bool>("fileChanged");
  QTest::newRow("taken back") << false;
  QTest::newRow("座標.txt changed meanwhile") << true;
}

void TestLoadingCaptures::recordsGoWithAPictureThatFails() {
  QFETCH(bool, fileChanged);
  const QString file = window().coordinateFile().path();
  HeldDecoder* failing = held(QSize(400, 300), 50);
  m_scripted->choose(u"B11"_s, 2);
  line(QPoint(20, 200), QPoint(300, 200));
  line(QPoint(20, 250), QPoint(300, 260));
  QCOMPARE(contents(file).count("\r\n"), 2);
  if (fileChanged) {
    QFile other(file);
    QVERIFY(other.open(QIODevice::Append));
    other.write("typed by hand\r\n");
  }
  const QByteArray before = contents(file);

  const QString told = failAndHear(failing);
  QVERIFY2(told.startsWith(u"画像データが途中で切れているか、壊れています。"_s), qPrintable(told));
  QCOMPARE(window().canvas()->surface().size(), QSize(200, 100));
  if (fileChanged) {
    // Nothing of the user's is touched, and the user is told which stayed.
    QCOMPARE(contents(file), before);
    QVERIFY2(told.contains(u"次の記録は取り消せませんでした。\n線 (ﾌｧｲﾙ): "_s), qPrintable(told));
    QCOMPARE(told.count(u"線 (ﾌｧｲﾙ): "_s), 2);
  } else {
    QCOMPARE(contents(file), QByteArray());
    QVERIFY2(told.endsWith(u"この画像の読み込み中に取り込んだ記録 2 件を取り消しました。"_s),
             qPrintable(told));
  }
  // The picture before has its own steps back, and they work.
  QCOMPARE(window().history().undoLabel(), u"線 (クリップ)"_s);
  QVERIFY(!window().history().canRedo());
  m_scripted->run(u"元に戻す"_s);
  QVERIFY(!window().history().canUndo());
  QVERIFY(m_scripted->prompts->shown.isEmpty());
}

// The question of an undo whose file has gone waits for the user, and the
// program's events go on meanwhile: the damaged picture's news waits for the
// answer instead of swapping the steps under the undo.
void TestLoadingCaptures::failureWaitsForAnUndoThatAsks() {
  HeldDecoder* failing = held(QSize(400, 300), 50);
  m_scripted->choose(u"B11"_s, 2);
  line(QPoint(20, 200), QPoint(300, 200));
  QVERIFY(QFile::remove(window().coordinateFile().path()));
  failing->end = HeldDecoder::End::Damaged;
  QString told;
  m_scripted->prompts->yes = {true};
  m_scripted->prompts->whileAsking = [&] {
    hearNextMessage(told);
    m_release.release();
    QTest::qWait(300);  // the worker's news arrives in here
  };
  m_scripted->run(u"元に戻す"_s);
  QCOMPARE(m_scripted->prompts->shown.size(), 1);
  QVERIFY(m_scripted->prompts->shown.at(0).startsWith(u"ask[元に戻す]"_s));
  QTRY_VERIFY(!told.isEmpty());
  QCOMPARE(told, u"画像データが途中で切れているか、壊れています。"_s);
  QCOMPARE(window().canvas()->surface().size(), QSize(200, 100));
  QCOMPARE(window().history().undoLabel(), u"線 (クリップ)"_s);
  QVERIFY(!window().history().canRedo());
}

// A press recorded on the picture still loading: its release lands on the
// same picture, and its record goes with that picture.
void TestLoadingCaptures::failureWaitsForTheGestureUnderWay() {
  HeldDecoder* failing = held(QSize(400, 300), 50);
  m_scripted->choose(u"B11"_s, 2);
  m_scripted->choose(u"C11"_s, 2);
  QTest::mousePress(window().canvas(), Qt::LeftButton, {}, QPoint(20, 200));
  failing->end = HeldDecoder::End::Damaged;
  QString told;
  hearNextMessage(told);
  m_release.release();
  QTest::qWait(300);  // the worker's news arrives while the button is held
  QCOMPARE(window().canvas()->surface().size(), QSize(400, 300));
  QTest::mouseRelease(window().canvas(), Qt::LeftButton, {}, QPoint(300, 200));
  QTRY_VERIFY(!told.isEmpty());
  QVERIFY2(told.endsWith(u"記録 1 件を取り消しました。"_s), qPrintable(told));
  QCOMPARE(contents(window().coordinateFile().path()), QByteArray());
  QCOMPARE(window().canvas()->surface().size(), QSize(200, 100));
  QCOMPARE(window().history().undoLabel(), u"線 (クリップ)"_s);
}

QTEST_MAIN(TestLoadingCaptures)
#include "tst_loadingcaptures.moc"

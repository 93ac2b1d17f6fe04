#include "CanvasWidget.h"
#include "ScriptedWindow.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

// A user's whole session through the real window: load a picture, calibrate
// on a known distance and a known point, then capture every shape to each
// destination, saving and loading the calibration half-way.
class TestScenarios : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void everyShapeToClipboardAndFile();

 private:
  void choose(const QString& family, int index);
  void drag(QPoint from, QPoint to);
  QStringList captureAll();
  QStringList fileLines() const;

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  MainWindow* m_window = nullptr;
  FakePrompts* m_prompts = nullptr;
  ScriptedFileDialog* m_files = nullptr;
};

void TestScenarios::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  m_window = &m_scripted->window;
  m_prompts = m_scripted->prompts;
  m_files = m_scripted->files;
  m_window->setCoordinateFolder(m_dir->path());
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestScenarios::cleanup() {
  m_scripted.reset();
}

void TestScenarios::choose(const QString& family, int index) {
  m_scripted->choose(family, index);
}

void TestScenarios::drag(QPoint from, QPoint to) {
  QTest::mousePress(m_window->canvas(), Qt::LeftButton, {}, from);
  QTest::mouseMove(m_window->canvas(), to);
  QTest::mouseRelease(m_window->canvas(), Qt::LeftButton, {}, to);
}

QStringList TestScenarios::fileLines() const {
  QFile file(m_window->coordinateFile().path());
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  const QByteArray bytes = file.readAll();
  QStringList lines;
  for (const QByteArray& line : bytes.split('\n')) {
    if (!line.isEmpty()) {
      lines << QString::fromUtf8(line);  // ASCII part is enough to compare
    }
  }
  return lines;
}

// One capture of each shape, as the clipboard shows each record.
QStringList TestScenarios::captureAll() {
  QStringList records;
  const std::pair<int, std::pair<QPoint, QPoint>> gestures[] = {
      {1, {QPoint(200, 150), QPoint(200, 150)}},  // 点
      {2, {QPoint(100, 100), QPoint(196, 100)}},  // 線, 1440 twips
      {3, {QPoint(300, 300), QPoint(300, 396)}},  // 円
      {4, {QPoint(400, 100), QPoint(500, 200)}},  // 四角
  };
  for (const auto& [shape, ends] : gestures) {
    choose(u"C11"_s, shape);
    drag(ends.first, ends.second);
    records << QGuiApplication::clipboard()->text();
  }
  return records;
}

void TestScenarios::everyShapeToClipboardAndFile() {
  QImage picture(1200, 800, QImage::Format_Grayscale8);
  picture.fill(255);
  const QString picturePath = m_dir->filePath(u"drawing.png"_s);
  QVERIFY(picture.save(picturePath));
  m_files->answers = {picturePath};
  m_window->findChild<QAction*>(u"A11"_s)->trigger();
  m_window->canvas()->waitForPyramid();
  QCOMPARE(m_window->canvas()->size(), QSize(1200, 800));

  // A scale bar of 100 by 50 units from (1000, 4000) to (2440, 1120) twips;
  // pixel positions are whole, so the bar is 96 by 192 pixels.
  drag(QPoint(100, 400), QPoint(196, 208));
  m_prompts->answers = {u"100"_s, u"50"_s};
  m_window->findChild<QAction*>(u"E12"_s)->trigger();
  QCOMPARE(m_window->valueSheet().text(Field::x軸係数), u"0.06944"_s);
  QCOMPARE(m_window->valueSheet().text(Field::Y軸係数), u"0.01736"_s);
  drag(QPoint(100, 150), QPoint(100, 150));
  m_prompts->answers = {u"100"_s, u"200"_s};
  m_window->findChild<QAction*>(u"E11"_s)->trigger();
  QTest::keyClicks(m_window->commentBox(), u"S-1"_s);

  choose(u"B11"_s, 1);  // clipboard
  const QStringList viaClipboard = captureAll();
  QCOMPARE(viaClipboard, (QStringList{
                             u"点,S-1,204.16,200.00"_s,
                             u"線,S-1,100.00,213.02,199.99,213.02,99.99"_s,
                             u"円,S-1,308.32,160.94,25"_s,
                             u"四角,S-1,412.48,213.02,412.48,186.98,516.64,186.98,516.64,213.02"_s,
                         }));

  // Save, disturb the calibration, load: the records come out the same.
  m_files->answers = {m_dir->filePath(u"calib"_s)};
  m_window->findChild<QAction*>(u"A12"_s)->trigger();
  m_window->valueSheet().setText(Field::x軸係数, u"3"_s);
  m_window->valueSheet().setText(Field::指定基準Y, u"-7"_s);
  m_files->answers = {m_dir->filePath(u"calib.set"_s)};
  m_window->findChild<QAction*>(u"A13"_s)->trigger();

  choose(u"B11"_s, 2);  // 座標.txt
  const QStringList beforeFile = captureAll();
  QCOMPARE(fileLines().size(), 4);
  QStringList expectedTails;
  for (const QString& record : viaClipboard) {
    expectedTails << record.section(u',', 1) + u"\r"_s;
  }
  QStringList tails;
  for (const QString& line : fileLines()) {
    tails << line.section(u',', 1);
  }
  QCOMPARE(tails, expectedTails);
  // The clipboard keeps the last record sent to it, not the file's.
  QCOMPARE(beforeFile, QStringList(4, viaClipboard.last()));
}

QTEST_MAIN(TestScenarios)
#include "tst_scenarios.moc"

#include "CanvasWidget.h"
#include "ModalAnswer.h"
#include "ScriptedWindow.h"
#include "StatusBar.h"
#include "ValueSheetWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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

// The calibration road through the real window: gestures on Picture1, the
// 校正 commands, and the settings file through the ﾌｧｲﾙ menu.
class TestCalibrationCommands : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void scenarioGivesTheGoldenFile();
  void cancelledDialogsDoNothing();
  void failedLoadIsReportedAndChangesNothing();
  void loadShowsInTheValueSheetWindow();
  void saveOffersTheFileItWrote();
  void saveNeverReplacesTheFileChosen();
  void saveAsksBeforeReplacingTheFileItWrites_data();
  void saveAsksBeforeReplacingTheFileItWrites();

 private:
  void run(const QString& name);
  void mouse(QEvent::Type type, QPointF twips);

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<ScriptedWindow> m_scripted;
  MainWindow* m_window = nullptr;
  FakePrompts* m_prompts = nullptr;
  ScriptedFileDialog* m_files = nullptr;
};

void TestCalibrationCommands::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_scripted = std::make_unique<ScriptedWindow>();
  m_window = &m_scripted->window;
  m_prompts = m_scripted->prompts;
  m_files = m_scripted->files;
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestCalibrationCommands::cleanup() {
  m_scripted.reset();
}

void TestCalibrationCommands::run(const QString& name) {
  m_scripted->run(name);
}

// A pointer event at a position given in twips, as a real pointer between
// pixels would deliver it.
void TestCalibrationCommands::mouse(QEvent::Type type, QPointF twips) {
  CanvasWidget* canvas = m_window->canvas();
  const QPointF at = twips / 15;
  QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &event);
}

void TestCalibrationCommands::scenarioGivesTheGoldenFile() {
  mouse(QEvent::MouseButtonPress, {1000, 4000});
  mouse(QEvent::MouseButtonRelease, {2440, 1120});
  m_prompts->answers = {u"100"_s, u"50"_s};
  run(u"E12"_s);
  mouse(QEvent::MouseButtonPress, {1500, 2250});
  mouse(QEvent::MouseButtonRelease, {1500, 2250});
  m_prompts->answers = {u"100"_s, u"200"_s};
  run(u"E11"_s);
  m_files->answers = {m_dir->filePath(u"calib"_s)};
  run(u"A12"_s);

  QCOMPARE(m_prompts->shown.last(), u"message[Koordel] 設定を保存します。"_s);
  QCOMPARE(contents(m_dir->filePath(u"calib.set"_s)),
           QByteArray("1500,1500,105.09,105.09,1500,100,1000,2440,1440,100,0.06944,\r\n"
                      "2250,2250,-38.04,-38.04,2250,200,4000,1120,2880,50,0.01736,\r\n"));
  // From now on the pointer reads in drawing units.
  QTest::mouseMove(m_window->canvas(), QPoint(196, 102));  // (2940, 1530) twips
  QTRY_COMPARE(m_window->panels()->panelText(2), u"199.99"_s);
  QCOMPARE(m_window->panels()->panelText(5), u"212.50"_s);
}

void TestCalibrationCommands::cancelledDialogsDoNothing() {
  const QString previous = m_dir->filePath(u"previous"_s);
  m_files->answers = {previous};
  run(u"A12"_s);
  const QByteArray saved = contents(previous + u".set"_s);
  m_window->valueSheet().setText(Field::x軸係数, u"0.5"_s);
  m_files->answers = {QString()};  // cancel
  run(u"A12"_s);
  QCOMPARE(contents(previous + u".set"_s), saved);
  QVERIFY(!QFile::exists(u".set"_s));
  m_files->answers = {QString()};
  run(u"A13"_s);
  QCOMPARE(m_window->valueSheet().text(Field::x軸係数), u"0.5"_s);
  QCOMPARE(m_prompts->shown.last(), u"message[Koordel] 設定を読み込みます。"_s);
  QCOMPARE(m_files->titles, (QStringList{u"設定保存"_s, u"設定保存"_s, u"設定読込"_s}));
}

void TestCalibrationCommands::failedLoadIsReportedAndChangesNothing() {
  QFile bad(m_dir->filePath(u"bad.set"_s));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write("1,2,3\r\n");
  bad.close();
  m_window->valueSheet().setText(Field::Y軸係数, u"0.25"_s);
  m_files->answers = {bad.fileName()};
  run(u"A13"_s);
  QVERIFY(m_prompts->shown.last().startsWith(u"message[エラー] 設定ファイルの値が足りません"_s));
  QCOMPARE(m_window->valueSheet().text(Field::Y軸係数), u"0.25"_s);
  QCOMPARE(m_window->valueSheet().text(Field::down座標x), u"1"_s);
  // The file was let go: it can be replaced at once.
  QVERIFY(bad.remove());
}

void TestCalibrationCommands::loadShowsInTheValueSheetWindow() {
  QFile file(m_dir->filePath(u"ok.set"_s));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("1,2,3,4,5,6,7,8,9,10,0.06900,mm\r\n13,14,15,16,17,18,19,20,21,22,23,mm\r\n");
  file.close();
  ValueSheetWindow* window = m_window->valueSheetWindow();
  m_files->answers = {file.fileName()};
  run(u"A13"_s);
  QCOMPARE(qobject_cast<QLabel*>(window->fieldWidget(Field::その差X))->text(), u"9"_s);
  QCOMPARE(m_window->valueSheet().text(Field::x軸係数), u"0.069"_s);
  QCOMPARE(m_window->valueSheet().text(Field::Y軸単位), u"mm"_s);
}

// Through the toolkit's own file dialog: what 設定保存 wrote is what
// 設定読込 offers next, and it loads.
void TestCalibrationCommands::saveOffersTheFileItWrote() {
  MainWindow window;
  auto prompts = std::make_unique<FakePrompts>();
  FakePrompts* shown = prompts.get();
  window.setPrompts(std::move(prompts));
  const QString chosen = m_dir->filePath(u"calib"_s);
  answerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    // Typed in, as the user would: the dialog's own selectFile() leaves the
    // name box alone while it has the focus.
    auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
    QVERIFY(name);
    name->setText(chosen);
    static_cast<QDialog*>(dialog)->accept();  // Return in the dialog
  });
  window.valueSheet().setText(Field::x軸係数, u"0.06944"_s);
  window.findChild<QAction*>(u"A12"_s)->trigger();
  QVERIFY(QFile::exists(chosen + u".set"_s));
  window.valueSheet().setText(Field::x軸係数, u"9"_s);
  QString offered;
  answerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    offered = dialog->selectedFiles().value(0);
    // A name that does not exist would keep the dialog open.
    if (QFile::exists(offered)) {
      static_cast<QDialog*>(dialog)->accept();  // Return in the dialog
    } else {
      dialog->reject();
    }
  });
  window.findChild<QAction*>(u"A13"_s)->trigger();
  QCOMPARE(offered, chosen + u".set"_s);
  QCOMPARE(window.valueSheet().text(Field::x軸係数), u"0.06944"_s);
  QVERIFY2(!shown->shown.last().contains(u"エラー"_s), qPrintable(shown->shown.last()));
}

void TestCalibrationCommands::saveNeverReplacesTheFileChosen() {
  const QString existing = m_dir->filePath(u"calib.set"_s);
  QFile file(existing);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("kept\r\n");
  file.close();
  m_files->answers = {existing};
  run(u"A12"_s);
  QCOMPARE(contents(existing), QByteArray("kept\r\n"));
  QCOMPARE(contents(existing + u".set"_s),
           QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n"));
  QCOMPARE(m_files->offered, QStringList{existing + u".set"_s});
}

void TestCalibrationCommands::saveAsksBeforeReplacingTheFileItWrites_data() {
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QStringList>("existing");
  QTest::addColumn<QString>("asked");  // the file the question names; "" for none
  QTest::addColumn<bool>("yes");
  QTest::addColumn<QString>("written");  // the file that holds the sheet after; "" for none
  const QString none;
  // The dialog sees no "site", so it would never ask itself.
  QTest::newRow("site.set there, no")
      << u"site"_s << QStringList{u"site.set"_s} << u"site.set"_s << false << none;
  QTest::newRow("site.set there, yes")
      << u"site"_s << QStringList{u"site.set"_s} << u"site.set"_s << true << u"site.set"_s;
  QTest::newRow("calib.set chosen, calib.set.set there")
      << u"calib.set"_s << QStringList{u"calib.set"_s, u"calib.set.set"_s} << u"calib.set.set"_s
      << false << none;
  QTest::newRow("calib.set chosen, only it there")
      << u"calib.set"_s << QStringList{u"calib.set"_s} << none << false << u"calib.set.set"_s;
  QTest::newRow("a file named as chosen")
      << u"site"_s << QStringList{u"site"_s} << none << false << u"site.set"_s;
}

// Through the toolkit's own message box, file dialog and question box, as
// the user meets them.
void TestCalibrationCommands::saveAsksBeforeReplacingTheFileItWrites() {
  QFETCH(QString, chosen);
  QFETCH(QStringList, existing);
  QFETCH(QString, asked);
  QFETCH(bool, yes);
  QFETCH(QString, written);
  for (const QString& name : existing) {
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("kept\r\n");
  }
  MainWindow window;
  window.valueSheet().setText(Field::x軸係数, u"0.06944"_s);

  QString question;
  QString title;
  QStringList buttons;
  QList<ModalsInTurn::Action> script = {
      [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        QCOMPARE(box->text(), u"設定を保存します。"_s);
        box->accept();
      },
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(m_dir->filePath(chosen));
        static_cast<QDialog*>(dialog)->accept();  // Return in the dialog
      },
  };
  if (!asked.isEmpty()) {
    script << [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      question = box->text();
      title = box->windowTitle();
      for (QAbstractButton* button : box->buttons()) {
        buttons << button->text();
      }
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    };
  }
  ModalsInTurn modals(script);
  window.findChild<QAction*>(u"A12"_s)->trigger();

  QCOMPARE(modals.unexpected, QStringList());
  if (!asked.isEmpty()) {
    QVERIFY2(question.contains(QDir::toNativeSeparators(m_dir->filePath(asked))),
             qPrintable(question));
    QCOMPARE(title, u"設定保存"_s);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{u"いいえ"_s, u"はい"_s}));
  }
  for (const QString& name : existing) {
    if (name != written) {
      QCOMPARE(contents(m_dir->filePath(name)), QByteArray("kept\r\n"));
    }
  }
  if (!written.isEmpty()) {
    QCOMPARE(contents(m_dir->filePath(written)),
             QByteArray("1,1,1,1,1,1,1,1,1,1,0.06944,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n"));
  }
  // Nothing else was written beside them.
  QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(),
           existing.size() + (written.isEmpty() || existing.contains(written) ? 0 : 1));
}

QTEST_MAIN(TestCalibrationCommands)
#include "tst_calibrationcommands.moc"

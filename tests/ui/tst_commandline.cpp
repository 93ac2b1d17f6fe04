// koordel [OPTION] [FILE...]: the parse, the program as a terminal runs it,
// and the files it opens in the window.
#include "CanvasWidget.h"
#include "CommandLine.h"
#include "ModalAnswer.h"
#include "ScriptedWindow.h"

#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace koordel;
using namespace Qt::StringLiterals;
using Action = CommandLine::Action;

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void parse_data();
  void parse();
  void theProgramInATerminal_data();
  void theProgramInATerminal();
  void filesOpenAsFromTheMenu_data();
  void filesOpenAsFromTheMenu();

 private:
  QString picture(const QString& name);
  QTemporaryDir m_dir;
};

void TestCommandLine::initTestCase() {
  QVERIFY(m_dir.isValid());
  QCoreApplication::setApplicationName(u"Koordel"_s);
  QCoreApplication::setApplicationVersion(u"9.9"_s);
}

QString TestCommandLine::picture(const QString& name) {
  QImage image(120, 80, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QString path = m_dir.filePath(name);
  if (!image.save(path)) {
    qFatal("cannot write a picture");
  }
  return path;
}

void TestCommandLine::parse_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("action");
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<QString>("says");
  const QString k = u"/usr/bin/koordel"_s;
  QTest::newRow("nothing") << QStringList{k} << int(Action::Run) << QStringList{} << QString();
  QTest::newRow("a file") << QStringList{k, u"a.png"_s} << int(Action::Run)
                          << QStringList{u"a.png"_s} << QString();
  QTest::newRow("two files") << QStringList{k, u"a.png"_s, u"b.tif"_s} << int(Action::Run)
                             << QStringList{u"a.png"_s, u"b.tif"_s} << QString();
  QTest::newRow("a file named like an option, after --")
      << QStringList{k, u"--"_s, u"-x.png"_s} << int(Action::Run) << QStringList{u"-x.png"_s}
      << QString();
  QTest::newRow("--help") << QStringList{k, u"--help"_s} << int(Action::Help) << QStringList{}
                          << u"--check"_s;
  QTest::newRow("-h wins over a file") << QStringList{k, u"a.png"_s, u"-h"_s} << int(Action::Help)
                                       << QStringList{u"a.png"_s} << u"FILE"_s;
  QTest::newRow("--version") << QStringList{k, u"--version"_s} << int(Action::Version)
                             << QStringList{} << u"Koordel 9.9"_s;
  QTest::newRow("--check") << QStringList{k, u"--check"_s, u"a.png"_s} << int(Action::Check)
                           << QStringList{u"a.png"_s} << QString();
  QTest::newRow("unknown option") << QStringList{k, u"--bogus"_s} << int(Action::Error)
                                  << QStringList{} << u"koordel: "_s;
  QTest::newRow("unknown short option") << QStringList{k, u"-q"_s, u"a.png"_s} << int(Action::Error)
                                        << QStringList{} << u"koordel --help"_s;
}

void TestCommandLine::parse() {
  QFETCH(QStringList, arguments);
  QFETCH(int, action);
  QFETCH(QStringList, files);
  QFETCH(QString, says);
  const CommandLine line = parseCommandLine(arguments);
  QCOMPARE(int(line.action), action);
  QCOMPARE(line.files, files);
  QVERIFY2(line.text.contains(says), qPrintable(line.text));
}

void TestCommandLine::theProgramInATerminal_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");
  QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"Koordel "_s << QString();
  QTest::newRow("--help") << QStringList{u"--help"_s} << 0 << u"使い方:"_s << QString();
  QTest::newRow("an unknown option, and no window")
      << QStringList{u"--bogus"_s, u"a.png"_s} << 2 << QString() << u"未知のオプション"_s;
  QTest::newRow("--check, a missing file") << QStringList{u"--check"_s, u"/no/such.png"_s} << 1
                                           << u"ファイルが見つかりません"_s << QString();
}

// Without any display at all: none of these may try to open a window.
void TestCommandLine::theProgramInATerminal() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, out);
  QFETCH(QString, err);
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(KOORDEL_PROGRAM), arguments);
  QVERIFY(program.waitForFinished(20000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), exitCode);
  QVERIFY(QString::fromUtf8(program.readAllStandardOutput()).contains(out));
  QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(err));
}

void TestCommandLine::filesOpenAsFromTheMenu_data() {
  QTest::addColumn<QString>("file");
  QTest::newRow("missing") << u"missing.png"_s;
  QTest::newRow("a folder") << u"."_s;
  QTest::newRow("not a picture") << u"notes.txt"_s;
}

// What a file named on the command line gives is what 平面画像読込 gives, in
// the opened window; a second file is named once, not opened.
void TestCommandLine::filesOpenAsFromTheMenu() {
  QFETCH(QString, file);
  QFile notes(m_dir.filePath(u"notes.txt"_s));
  QVERIFY(notes.open(QIODevice::WriteOnly));
  notes.write("not a picture\n");
  notes.close();
  const QString path = QDir::cleanPath(m_dir.filePath(file));
  MessagesTold messages;
  QStringList& told = messages.told;

  ScriptedWindow fromMenu;
  fromMenu.files->answers = {path};
  fromMenu.run(u"A11"_s);
  QCOMPARE(told.size(), 1);
  ScriptedWindow fromCommandLine;
  const QString good = picture(u"good.png"_s);
  fromCommandLine.window.openFromCommandLine({path, good});
  QCOMPARE(told.size(), 3);
  QCOMPARE(told.at(1), told.at(0));
  QVERIFY2(told.at(2).contains(QDir::toNativeSeparators(good)), qPrintable(told.at(2)));
  QCOMPARE(fromCommandLine.window.canvas()->surface().picture().isNull(), true);

  // The first file opens; the dialog offers it next.
  fromCommandLine.window.openFromCommandLine({good});
  QCOMPARE(fromCommandLine.window.canvas()->surface().size(), QSize(120, 80));
  QCOMPARE(told.size(), 3);
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"

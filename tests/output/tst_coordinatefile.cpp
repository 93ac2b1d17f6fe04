#include "Clipboard.h"
#include "CoordinateFile.h"
#include "Destinations.h"
#include "Record.h"
#include "Selections.h"
#include "ShiftJis.h"
#include "SpreadsheetLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstring>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs `work` with files limited to `bytes`: a write beyond is cut short by
// the system, as on a disk that fills up half-way through it. False when the
// limit cannot be set.
bool withFilesUpTo(rlim_t bytes, const std::function<void()>& work) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tight = old;
  tight.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &tight) != 0) {
    return false;
  }
  work();
  setrlimit(RLIMIT_FSIZE, &old);
  return true;
}

struct FakeClipboard : Clipboard {
  QStringList log;
  bool takes = true;
  void clear() override { log << u"clear"_s; }
  bool setText(const QString& text) override {
    log << u"set "_s + text;
    return takes;
  }
};

Record point(const QString& comment, const QString& x, const QString& y) {
  Record r(shape::kPoint, comment);
  r.addText(x).addText(y);
  return r;
}

// Whether a lock on the file with inode `inode` has someone waiting for it.
bool someoneWaitsFor(ino_t inode) {
  QFile locks(u"/proc/locks"_s);
  if (!locks.open(QIODevice::ReadOnly)) {
    return false;
  }
  const QByteArray mark = ':' + QByteArray::number(qulonglong(inode)) + ' ';
  for (const QByteArray& line : locks.readAll().split('\n')) {
    if (line.contains("->") && line.contains(mark)) {
      return true;
    }
  }
  return false;
}

// The other copy of Koordel, run as a process of its own: takes the file's
// lock, says "locked", and holds it until this test's own call waits behind
// it; then adds a line and lets go. A line on its standard input makes it
// let go without writing (the call never waited).
int holdLockOn(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  struct stat file {};
  if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &file) != 0) {
    return 1;
  }
  std::puts(QFile::exists(u"/proc/locks"_s) ? "locked" : "unsupported");
  std::fflush(stdout);
  ::fcntl(STDIN_FILENO, F_SETFL, O_NONBLOCK);
  for (;;) {
    if (someoneWaitsFor(file.st_ino)) {
      const bool whole = ::write(fd, "other\r\n", 7) == 7;
      ::close(fd);
      return whole ? 0 : 1;
    }
    char c = 0;
    if (::read(STDIN_FILENO, &c, 1) > 0) {
      ::close(fd);
      return 2;
    }
    ::usleep(2000);
  }
}

}  // namespace

class TestCoordinateFile : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void shiftJisBytes_data();
  void shiftJisBytes();
  void unrepresentableCharactersAreNamed();
  void recordWrittenFieldByField();
  void twoRecordsGiveTwoCrLfLines();
  void appendsToWhatIsThere();
  void unwritableFolderLeavesNothingBehind();
  void nameTakenByAFolder();
  void emojiInTheCommentWritesNothing();
  void fullDiskLeavesNoHalfLine();
  void partialWriteIsTakenBack();
  void lineTakenBackAndWrittenAgain();
  void recordWiderThanASheetRowIsRefused();
  void anotherCopyIsWaitedFor_data();
  void anotherCopyIsWaitedFor();
  void destinationsDispatch();
  void folderTheFileGoesTo_data();
  void folderTheFileGoesTo();

 private:
  std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCoordinateFile::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  QVERIFY(m_dir->isValid());
}

void TestCoordinateFile::shiftJisBytes_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("ASCII") << u"12.50,-3"_s << QByteArray("12.50,-3");
  QTest::newRow("keywords") << u"点線円四角"_s << QByteArray::fromHex("935f90fc897e8e6c8a70");
  QTest::newRow("half-width katakana") << u"ﾌｧｲﾙ"_s << QByteArray::fromHex("cca7b2d9");
  QTest::newRow("NEC special: circled one") << u"①"_s << QByteArray::fromHex("8740");
  QTest::newRow("wave dash as Windows writes it") << u"〜"_s << QByteArray::fromHex("8160");
  QTest::newRow("full-width tilde") << u"～"_s << QByteArray::fromHex("8160");
  QTest::newRow("minus sign") << u"−"_s << QByteArray::fromHex("817c");
  // Two bytes for one character, then text after it: longer than the text.
  QTest::newRow("kana before ASCII") << u"あab"_s << QByteArray::fromHex("82a06162");
  QTest::newRow("runs of both") << u"点,P1,線,12"_s
                                << QByteArray::fromHex("935f2c50312c90fc2c3132");
  QTest::newRow("empty") << QString() << QByteArray();
  QTest::newRow("zero-width no-break space left out") << u"a\uFEFFb"_s << QByteArray("ab");
}

void TestCoordinateFile::shiftJisBytes() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  const ShiftJisText encoded = toShiftJis(text);
  QVERIFY(encoded.bytes);
  QCOMPARE(*encoded.bytes, bytes);
  QVERIFY(encoded.unrepresentable.isEmpty());
  const QString back = fromShiftJis(bytes).value_or(u"<invalid>"_s);
  QCOMPARE(toShiftJis(back).bytes.value_or(QByteArray()), bytes);
}

void TestCoordinateFile::unrepresentableCharactersAreNamed() {
  const ShiftJisText encoded = toShiftJis(u"A😀B°😀한"_s);
  QVERIFY(!encoded.bytes);
  QCOMPARE(encoded.unrepresentable, u"😀한"_s);
  QVERIFY(!fromShiftJis(QByteArray::fromHex("81")));  // a lead byte with nothing after it
  // Half a surrogate pair is no character: named as the replacement mark.
  const ShiftJisText half = toShiftJis(u"a"_s + QChar(0xD800) + u"b"_s);
  QVERIFY(!half.bytes);
  QCOMPARE(half.unrepresentable, QString(QChar(0xFFFD)));
}

// A record is checked and written field by field: the same bytes and the
// same refusal as its text form.
void TestCoordinateFile::recordWrittenFieldByField() {
  const CoordinateFile file(m_dir->path());
  Record record(u"多角形"_s, u"坂～"_s);
  record.addNumberText(u"1.50"_s).addText(u"°"_s).addNumber(-2);
  CoordinateFile::Appended byFields, byText;
  QVERIFY(!file.refuses(record));
  QVERIFY(!file.append(record, &byFields));
  QVERIFY(!file.append(record.textForm(), &byText));
  QCOMPARE(byFields.bytes, byText.bytes);
  QCOMPARE(byFields.bytes, toShiftJis(record.textForm()).bytes.value() + "\r\n");
  // Two characters of one surrogate half each, in two fields, named once.
  Record refused(u"点"_s, u"😀a😁"_s);
  refused.addText(u"😀한"_s);
  const QString message = file.refuses(refused).value_or(QString());
  QVERIFY2(message.contains(u"（😀😁한）"_s), qPrintable(message));
  QCOMPARE(file.append(refused, nullptr), file.refuses(refused));
  QCOMPARE(file.refuses(refused.textForm()), file.refuses(refused));
  QCOMPARE(contents(file.path()), byFields.bytes + byText.bytes);
}

void TestCoordinateFile::twoRecordsGiveTwoCrLfLines() {
  const CoordinateFile file(m_dir->path());
  QCOMPARE(file.path(), m_dir->filePath(u"座標.txt"_s));
  QVERIFY(!QFile::exists(file.path()));
  QVERIFY(!file.append(point(u"P1"_s, u"199.99"_s, u"212.50"_s).textForm()));
  QVERIFY(!file.append(point(u"P2"_s, u"0.01"_s, u"95.84"_s).textForm()));
  const QByteArray expected = QByteArray::fromHex("935f") + ",P1,199.99,212.50\r\n" +
                              QByteArray::fromHex("935f") + ",P2,0.01,95.84\r\n";
  QCOMPARE(contents(file.path()), expected);
}

void TestCoordinateFile::appendsToWhatIsThere() {
  const CoordinateFile file(m_dir->path());
  QFile existing(file.path());
  QVERIFY(existing.open(QIODevice::WriteOnly));
  existing.write("old line\r\n");
  existing.close();
  QVERIFY(!file.append(u"線,,1.00,2.00,3.00,4.00,5"_s));
  QCOMPARE(contents(file.path()), QByteArray("old line\r\n") + QByteArray::fromHex("90fc") +
                                      ",,1.00,2.00,3.00,4.00,5\r\n");
}

void TestCoordinateFile::unwritableFolderLeavesNothingBehind() {
  // Not even root may create files here.
  const CoordinateFile file(u"/proc"_s);
  const auto message = file.append(u"点,,1.00,2.00"_s);
  QVERIFY(message.has_value());
  QVERIFY2(message->startsWith(u"/proc/座標.txt に書き込めませんでした。"_s), qPrintable(*message));
  const CoordinateFile missing(m_dir->filePath(u"no/such/folder"_s));
  QVERIFY(missing.append(u"x"_s)->contains(u"フォルダーが見つかりません。"_s));
}

void TestCoordinateFile::nameTakenByAFolder() {
  QVERIFY(QDir(m_dir->path()).mkdir(u"座標.txt"_s));
  const auto message = CoordinateFile(m_dir->path()).append(u"点,,1.00,2.00"_s);
  QVERIFY(message && message->contains(u"同じ名前のフォルダーがあります。"_s));
}

void TestCoordinateFile::emojiInTheCommentWritesNothing() {
  const CoordinateFile file(m_dir->path());
  QVERIFY(!file.append(u"first"_s));
  const auto message = file.append(point(u"井戸😀"_s, u"1.00"_s, u"2.00"_s).textForm());
  QVERIFY(message.has_value());
  QVERIFY2(message->contains(u"Shift_JIS で書けない文字（😀）"_s), qPrintable(*message));
  QCOMPARE(contents(file.path()), QByteArray("first\r\n"));
}

void TestCoordinateFile::fullDiskLeavesNoHalfLine() {
  // Every write to /dev/full fails with "no space left on device".
  QVERIFY(QFile::link(u"/dev/full"_s, m_dir->filePath(u"座標.txt"_s)));
  const auto message = CoordinateFile(m_dir->path()).append(u"点,,1.00,2.00"_s);
  QVERIFY(message && message->contains(u"ディスクの空きがありません。"_s));
}

void TestCoordinateFile::partialWriteIsTakenBack() {
  const CoordinateFile file(m_dir->path());
  QVERIFY(!file.append(u"kept"_s));
  // Let the file grow by only 5 more bytes: the next line is cut short by
  // the system, as on a disk that fills up half-way through a write.
  std::optional<QString> message;
  QVERIFY(withFilesUpTo(
      6 + 5, [&] { message = file.append(u"四角,,1.00,2.00,1.00,2.00,1.00,2.00,1.00,2.00"_s); }));
  QVERIFY(message && message->contains(u"ディスクの空きがありません。"_s));
  QCOMPARE(contents(file.path()), QByteArray("kept\r\n"));
  QVERIFY(!file.append(u"next"_s));
  QCOMPARE(contents(file.path()), QByteArray("kept\r\nnext\r\n"));
}

// Undo's side of the file: the last line out only while it is the file's
// end, and in again only where it was, whole or not at all.
void TestCoordinateFile::lineTakenBackAndWrittenAgain() {
  const CoordinateFile file(m_dir->path());
  QVERIFY(!file.append(u"kept"_s));
  CoordinateFile::Appended appended;
  QVERIFY(!file.append(u"四角,,1.00,2.00,1.00,2.00,1.00,2.00,1.00,2.00"_s, &appended));
  const QByteArray both = contents(file.path());
  QCOMPARE(appended.offset, 6);
  QCOMPARE(CoordinateFile::takeBack(appended).outcome, CoordinateFile::Outcome::Done);
  QCOMPARE(contents(file.path()), QByteArray("kept\r\n"));
  // Taken back once, it is not the end any more.
  QCOMPARE(CoordinateFile::takeBack(appended).outcome, CoordinateFile::Outcome::Changed);

  // A disk that fills up half-way through writing it again: nothing stays.
  CoordinateFile::Undone full;
  QVERIFY(withFilesUpTo(6 + 5, [&] { full = CoordinateFile::appendAgain(appended); }));
  QCOMPARE(full.outcome, CoordinateFile::Outcome::Failed);
  QVERIFY(full.message.contains(u"ディスクの空きがありません。"_s));
  QCOMPARE(contents(file.path()), QByteArray("kept\r\n"));

  QCOMPARE(CoordinateFile::appendAgain(appended).outcome, CoordinateFile::Outcome::Done);
  QCOMPARE(contents(file.path()), both);
  // Not where it was: refused.
  QCOMPARE(CoordinateFile::appendAgain(appended).outcome, CoordinateFile::Outcome::Changed);
  QCOMPARE(contents(file.path()), both);
  QVERIFY(QFile::remove(file.path()));
  QCOMPARE(CoordinateFile::takeBack(appended).outcome, CoordinateFile::Outcome::Gone);
}

void TestCoordinateFile::anotherCopyIsWaitedFor_data() {
  QTest::addColumn<QString>("step");
  QTest::addColumn<QByteArray>("after");  // the file once both copies are done
  QTest::newRow("append") << u"append"_s << QByteArray("other\r\nmine\r\n");
  QTest::newRow("undo") << u"undo"_s << QByteArray("mine\r\nother\r\n");
  QTest::newRow("redo") << u"redo"_s << QByteArray("other\r\n");
}

// Two copies of Koordel on one 座標.txt: while the other copy holds the file,
// a record, an undo or a redo waits for it, and then sees what it wrote.
void TestCoordinateFile::anotherCopyIsWaitedFor() {
  QFETCH(QString, step);
  QFETCH(QByteArray, after);
  const CoordinateFile file(m_dir->path());
  CoordinateFile::Appended mine;
  if (step != u"append") {
    QVERIFY(!file.append(u"mine"_s, &mine));
  }
  if (step == u"redo") {
    QCOMPARE(CoordinateFile::takeBack(mine).outcome, CoordinateFile::Outcome::Done);
  }
  QProcess other;
  other.start(QCoreApplication::applicationFilePath(), {u"--hold-lock"_s, file.path()});
  QVERIFY(other.waitForReadyRead());
  const QByteArray said = other.readLine().trimmed();
  if (said == "unsupported") {
    other.kill();
    other.waitForFinished();
    QSKIP("no /proc/locks to see a waiting lock by");
  }
  QCOMPARE(said, QByteArray("locked"));

  // On a thread of its own: it waits for the other process.
  std::future<CoordinateFile::Outcome> done = std::async(std::launch::async, [&] {
    if (step == u"append") {
      return file.append(u"mine"_s, &mine) ? CoordinateFile::Outcome::Failed
                                           : CoordinateFile::Outcome::Done;
    }
    return step == u"undo" ? CoordinateFile::takeBack(mine).outcome
                           : CoordinateFile::appendAgain(mine).outcome;
  });
  const CoordinateFile::Outcome outcome = done.get();
  other.write("done\n");
  QVERIFY(other.waitForFinished());
  QCOMPARE(other.exitCode(), 0);  // it wrote while this process waited

  QCOMPARE(contents(file.path()), after);
  if (step == u"append") {
    QCOMPARE(outcome, CoordinateFile::Outcome::Done);
    QCOMPARE(mine.offset, 7);
    QCOMPARE(CoordinateFile::takeBack(mine).outcome, CoordinateFile::Outcome::Done);
    QCOMPARE(contents(file.path()), QByteArray("other\r\n"));
  } else {
    // The other copy's line came between: left alone.
    QCOMPARE(outcome, CoordinateFile::Outcome::Changed);
  }
}

void TestCoordinateFile::destinationsDispatch() {
  Selections selections;
  FakeClipboard clipboard;
  const CoordinateFile file(m_dir->path());
  Destinations destinations(selections, clipboard, file);
  const Record first = point(u"P1"_s, u"199.99"_s, u"212.50"_s);
  const Record second = point(u"P2"_s, u"0.01"_s, u"95.84"_s);

  QVERIFY(!destinations.send(first).problem);  // no destination chosen yet
  selections.destination = destination::kClipboard;
  QVERIFY(!destinations.send(first).problem);
  QVERIFY(!destinations.send(second).problem);
  QCOMPARE(clipboard.log, (QStringList{u"clear"_s, u"set 点,P1,199.99,212.50"_s, u"clear"_s,
                                       u"set 点,P2,0.01,95.84"_s}));
  clipboard.takes = false;
  QCOMPARE(destinations.send(first).problem.value_or(QString()),
           u"クリップボードに書き込めませんでした。"_s);

  selections.destination = destination::kFile;
  QVERIFY(!destinations.send(second).problem);
  selections.destination = destination::kNone;
  QVERIFY(!destinations.send(second).problem);
  QCOMPARE(contents(file.path()), QByteArray::fromHex("935f") + ",P2,0.01,95.84\r\n");
  QCOMPARE(selections.outputRow, qint16(1));
}

void TestCoordinateFile::folderTheFileGoesTo_data() {
  QTest::addColumn<bool>("programWritable");
  QTest::addColumn<QString>("fallback");  // relative to the test's folder; "/proc/…" cannot be made
  QTest::addColumn<QString>("wentTo");    // "program", "fallback" or "" (nowhere)
  QTest::newRow("a build tree or a portable copy")
      << true << u"Documents/Koordel"_s << u"program"_s;
  QTest::newRow("installed: the documents folder, made when needed")
      << false << u"Documents/Koordel"_s << u"fallback"_s;
  QTest::newRow("installed, no documents folder to be had")
      << false << u"/proc/Koordel"_s << QString();
}

void TestCoordinateFile::folderTheFileGoesTo() {
  QFETCH(bool, programWritable);
  QFETCH(QString, fallback);
  QFETCH(QString, wentTo);
  const QString program = m_dir->filePath(u"bin"_s);
  QVERIFY(QDir().mkpath(program));
  const QString fallbackFolder = fallback.startsWith(u'/') ? fallback : m_dir->filePath(fallback);
  CoordinateFile file(program, fallbackFolder);
  file.setWritableTest([&](const QString& folder) { return folder == program && programWritable; });
  QStringList told;
  file.setNotice([&](const QString& notice) { told << notice; });
  const QString expected =
      QDir(wentTo == u"program"_s ? program : fallbackFolder).filePath(u"座標.txt"_s);
  QCOMPARE(file.path(), expected);
  for (int i = 0; i < 3; ++i) {
    const auto message = file.append(u"点,,%1.00,2.00"_s.arg(i));
    QCOMPARE(message.has_value(), wentTo.isEmpty());
    if (message) {
      // The same message as any folder that takes no file, naming the path.
      QVERIFY2(message->startsWith(expected + u" に書き込めませんでした。"_s),
               qPrintable(*message));
    }
  }
  if (!wentTo.isEmpty()) {
    QCOMPARE(contents(expected).count("\r\n"), 3);
  }
  // The user is told once a run, and only when the file is not the usual one.
  QCOMPARE(told.size(), wentTo == u"fallback"_s ? 1 : 0);
  if (!told.isEmpty()) {
    QVERIFY(told.at(0).contains(expected));
    QVERIFY(told.at(0).contains(program));
  }
}

// A polygon of many vertices is told before anything is drawn, not cut off
// at the sheet's last column.
void TestCoordinateFile::recordWiderThanASheetRowIsRefused() {
  Selections selections;
  FakeClipboard clipboard;
  const CoordinateFile file(m_dir->path());
  const Destinations destinations(selections, clipboard, file);
  Record record(u"多角形"_s, u"c"_s);
  while (record.fields().size() < SpreadsheetLink::kMostColumns) {
    record.addNumber(1);
  }
  selections.destination = destination::kSpreadsheet;
  QVERIFY(!destinations.refuses(record));
  record.addNumber(2);
  QVERIFY(destinations.refuses(record).value_or(QString()).contains(u"16384 列"_s));
  selections.destination = destination::kClipboard;
  QVERIFY(!destinations.refuses(record));
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0) {
    return holdLockOn(argv[2]);
  }
  QCoreApplication app(argc, argv);
  TestCoordinateFile test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}
#include "tst_coordinatefile.moc"

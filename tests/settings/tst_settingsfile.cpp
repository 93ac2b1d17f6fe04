#include "../FakePrompts.h"
#include "Calibration.h"
#include "GestureTracker.h"
#include "Selections.h"
#include "SettingsFile.h"
#include "StatusPanels.h"
#include "ValueSheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <cmath>
#include <csignal>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct NoPanels : StatusPanels {
  void setPanelText(int, const QString&) override {}
};

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList texts(const ValueSheet& sheet) {
  QStringList all;
  for (int i = 0; i < kFieldCount; ++i) {
    all << sheet.text(static_cast<Field>(i));
  }
  return all;
}

}  // namespace

class TestSettingsFile : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void initialSheet();
  void calibrationScenario();
  void fileNames();
  void numbersComeBackAsPlainText();
  void tooFewFieldsChangeNothing_data();
  void tooFewFieldsChangeNothing();
  void extraLinesAreIgnored();
  void tiltLine_data();
  void tiltLine();
  void tiltRoundTrip();
  void unitWithACommaSurvivesARoundTrip();
  void unquotedCommaShiftsTheFieldsAsItAlwaysDid();
  void handWrittenFile();
  void textsThatNeedQuotes_data();
  void textsThatNeedQuotes();
  void failedSaveKeepsTheOldFile();
  void unitShiftJisCannotHold();
  void unreadableFiles();

 private:
  QString path(const QString& name) const { return m_dir->filePath(name); }
  QString write(const QString& name, const QByteArray& bytes) const;

  std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsFile::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  QVERIFY(m_dir->isValid());
}

QString TestSettingsFile::write(const QString& name, const QByteArray& bytes) const {
  QFile file(path(name));
  if (!file.open(QIODevice::WriteOnly)) {
    qFatal("cannot write");
  }
  file.write(bytes);
  return path(name);
}

void TestSettingsFile::initialSheet() {
  const ValueSheet sheet;
  QVERIFY(!settings::save(sheet, path(u"start.set"_s)));
  QCOMPARE(contents(path(u"start.set"_s)),
           QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n"));
}

void TestSettingsFile::calibrationScenario() {
  ValueSheet sheet;
  const Selections selections;
  NoPanels panels;
  GestureTracker tracker(sheet, selections, panels);
  FakePrompts prompts;
  tracker.press({1, 0, 1000, 4000});
  tracker.release({1, 0, 2440, 1120});
  prompts.answers = {u"100"_s, u"50"_s};
  setCoefficients(sheet, prompts);
  tracker.press({1, 0, 1500, 2250});
  tracker.release({1, 0, 1500, 2250});
  prompts.answers = {u"100"_s, u"200"_s};
  setReferencePoint(sheet, prompts);

  const QString file = path(u"calib.set"_s);
  QVERIFY(!settings::save(sheet, file));
  QCOMPARE(contents(file),
           QByteArray("1500,1500,105.09,105.09,1500,100,1000,2440,1440,100,0.06944,\r\n"
                      "2250,2250,-38.04,-38.04,2250,200,4000,1120,2880,50,0.01736,\r\n"));
  const QStringList before = texts(sheet);
  ValueSheet loaded;
  QVERIFY(!settings::load(loaded, file));
  QVERIFY(!settings::load(sheet, file));
  QCOMPARE(texts(sheet), before);
  QCOMPARE(texts(loaded), before);
}

void TestSettingsFile::fileNames() {
  QCOMPARE(settings::fileNameFor(u"calib"_s), u"calib.set"_s);
  QCOMPARE(settings::fileNameFor(u"calib.set"_s), u"calib.set.set"_s);
}

void TestSettingsFile::numbersComeBackAsPlainText() {
  ValueSheet sheet;
  sheet.setText(Field::x軸係数, u"0.06900"_s);
  sheet.setText(Field::変換up座標x, u"100.00"_s);
  sheet.setText(Field::変換up座標y, u"0.00"_s);
  sheet.setText(Field::指定基準Y, u"007"_s);
  sheet.setText(Field::x軸単位, u"mm"_s);
  sheet.setText(Field::Y軸係数, u"0.06944"_s);
  sheet.setText(Field::指定校正X, u"0.00001"_s);
  QVERIFY(!settings::save(sheet, path(u"n.set"_s)));
  ValueSheet loaded;
  QVERIFY(!settings::load(loaded, path(u"n.set"_s)));
  QCOMPARE(loaded.text(Field::x軸係数), u"0.069"_s);
  QCOMPARE(loaded.text(Field::変換up座標x), u"100"_s);
  QCOMPARE(loaded.text(Field::変換up座標y), u"0"_s);
  QCOMPARE(loaded.text(Field::指定基準Y), u"7"_s);
  QCOMPARE(loaded.text(Field::x軸単位), u"mm"_s);
  QCOMPARE(loaded.text(Field::Y軸係数), u"0.06944"_s);
  QCOMPARE(loaded.text(Field::Y軸単位), QString());
  QCOMPARE(loaded.text(Field::指定校正X), u"0.00001"_s);
  // Files written with the exponent form still load, in the decimal form.
  write(u"old.set"_s, "1,1,1,1,1,1,1,1,1,1,1E-05,\r\n1,1,1,1,1,1,1,1,1,1,1.5E-06,\r\n");
  QVERIFY(!settings::load(loaded, path(u"old.set"_s)));
  QCOMPARE(loaded.text(Field::x軸係数), u"0.00001"_s);
  QCOMPARE(loaded.text(Field::Y軸係数), u"0.0000015"_s);
}

void TestSettingsFile::tooFewFieldsChangeNothing_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("message");
  QTest::newRow("23 fields") << QByteArray(
                                    "1,2,3,4,5,6,7,8,9,10,11,12\r\n1,2,3,4,5,6,7,8,9,10,11\r\n")
                             << u"24 個のうち 23 個"_s;
  QTest::newRow("empty") << QByteArray() << u"24 個のうち 0 個"_s;
  QTest::newRow("one line") << QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n") << u"24 個のうち 12 個"_s;
  QTest::newRow("quotes left open")
      << QByteArray("1,1,\"1,1,1,1,1,1,1,1,1,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n")
      << u"24 個のうち 3 個"_s;
  // Nothing past the first 16 MiB is read, so the fields after it are missing.
  QTest::newRow("a line longer than the reader reads")
      << QByteArray(17 * 1024 * 1024, 'x') + QByteArray(",1,1,1,1,1,1,1,1,1,1,\r\n") +
             QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n")
      << u"24 個のうち 1 個"_s;
}

void TestSettingsFile::tooFewFieldsChangeNothing() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, message);
  ValueSheet sheet;
  sheet.setText(Field::x軸係数, u"0.5"_s);
  const QStringList before = texts(sheet);
  const auto failure = settings::load(sheet, write(u"short.set"_s, bytes));
  QVERIFY(failure.has_value());
  QVERIFY2(failure->contains(message), qPrintable(*failure));
  QCOMPARE(texts(sheet), before);
}

void TestSettingsFile::extraLinesAreIgnored() {
  ValueSheet sheet;
  // The third line is the tilt's; what follows it is not read.
  const QByteArray bytes =
      "1,2,3,4,5,6,7,8,9,10,11,mm\r\n13,14,15,16,17,18,19,20,21,22,23,cm\r\n"
      "\r\ngarbage \x81\r\n\x00\x01";
  QVERIFY(!settings::load(sheet, write(u"long.set"_s, bytes)));
  QCOMPARE(sheet.text(Field::down座標x), u"1"_s);
  QCOMPARE(sheet.text(Field::x軸単位), u"mm"_s);
  QCOMPARE(sheet.text(Field::Y軸係数), u"23"_s);
  QCOMPARE(sheet.text(Field::Y軸単位), u"cm"_s);
}

void TestSettingsFile::tiltLine_data() {
  QTest::addColumn<QByteArray>("after");  // what follows the 24 fields
  QTest::addColumn<double>("tilt");       // NaN: the file is refused
  const double refused = std::nan("");
  QTest::newRow("none") << QByteArray() << 0.0;
  QTest::newRow("blank line") << QByteArray("  \r\n") << 0.0;
  QTest::newRow("degrees") << QByteArray("1.5\r\n") << 1.5;
  QTest::newRow("negative, blanks, no line end") << QByteArray(" -3 ") << -3.0;
  QTest::newRow("the steepest") << QByteArray("-45\r\nanything") << -45.0;
  QTest::newRow("text") << QByteArray("abc\r\n") << refused;
  QTest::newRow("number and text") << QByteArray("1.5 deg\r\n") << refused;
  QTest::newRow("two fields") << QByteArray("1,2\r\n") << refused;
  QTest::newRow("steeper than 45") << QByteArray("45.01\r\n") << refused;
  QTest::newRow("beyond the double range") << QByteArray("1E400\r\n") << refused;
  QTest::newRow("not Shift_JIS") << QByteArray("\x81\r\n") << refused;
}

void TestSettingsFile::tiltLine() {
  QFETCH(QByteArray, after);
  QFETCH(double, tilt);
  ValueSheet sheet;
  sheet.setTilt(7);
  sheet.setText(Field::x軸係数, u"0.5"_s);
  const QStringList before = texts(sheet);
  // The 24th field ends its line early: the tilt is on the next line.
  const QString file = write(u"t.set"_s,
                             "1,2,3,4,5,6,7,8,9,10,11,mm\r\n"
                             "13,14,15,16,17,18,19,20,21,22,23,cm,more\r\n" +
                                 after);
  const std::optional<QString> failure = settings::load(sheet, file);
  if (std::isnan(tilt)) {
    QVERIFY(failure.has_value());
    QVERIFY2(failure->contains(u"傾き"_s), qPrintable(*failure));
    QCOMPARE(texts(sheet), before);
    QCOMPARE(sheet.tilt(), 7.0);
  } else {
    QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
    QCOMPARE(sheet.text(Field::Y軸単位), u"cm"_s);
    QCOMPARE(sheet.tilt(), tilt);
  }
}

void TestSettingsFile::tiltRoundTrip() {
  ValueSheet sheet;
  sheet.setTilt(-1.2345678901234);
  QVERIFY(!settings::save(sheet, path(u"tilt.set"_s)));
  QCOMPARE(contents(path(u"tilt.set"_s)),
           QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n-1.2345678901234\r\n"));
  ValueSheet loaded;
  QVERIFY(!settings::load(loaded, path(u"tilt.set"_s)));
  QCOMPARE(loaded.tilt(), -1.2345678901234);
  QCOMPARE(texts(loaded), texts(sheet));
  // Without a tilt the file is the two lines it always was.
  sheet.setTilt(0);
  QVERIFY(!settings::save(sheet, path(u"straight.set"_s)));
  QCOMPARE(contents(path(u"straight.set"_s)),
           QByteArray("1,1,1,1,1,1,1,1,1,1,1,\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n"));
}

void TestSettingsFile::unitWithACommaSurvivesARoundTrip() {
  ValueSheet sheet;
  sheet.setText(Field::x軸単位, u"m,m"_s);
  QVERIFY(!settings::save(sheet, path(u"u.set"_s)));
  QCOMPARE(contents(path(u"u.set"_s)),
           QByteArray("1,1,1,1,1,1,1,1,1,1,1,\"m,m\"\r\n1,1,1,1,1,1,1,1,1,1,1,\r\n"));
  ValueSheet loaded;
  QVERIFY(!settings::load(loaded, path(u"u.set"_s)));
  QCOMPARE(texts(loaded), texts(sheet));
}

void TestSettingsFile::unquotedCommaShiftsTheFieldsAsItAlwaysDid() {
  // A file an older writer made, with the comma of "m,m" unquoted.
  ValueSheet sheet;
  QVERIFY(!settings::load(sheet, write(u"old.set"_s,
                                       "1,2,3,4,5,6,7,8,9,10,11,m,m\r\n"
                                       "13,14,15,16,17,18,19,20,21,22,23,cm\r\n")));
  QCOMPARE(sheet.text(Field::x軸単位), u"m"_s);
  QCOMPARE(sheet.text(Field::down座標y), u"m"_s);
  QCOMPARE(sheet.text(Field::up座標y), u"13"_s);
  QCOMPARE(sheet.text(Field::Y軸単位), u"23"_s);
}

void TestSettingsFile::handWrittenFile() {
  ValueSheet sheet;
  const QByteArray bytes =
      "  1500, \"1,500\" ,12.50,#TRUE#,\"\",  -3 ,,1E3,&H10,\"a\"b,x ,\n"
      "\"two\nlines\",2,3,4,5,6,7,8,9,10,11,\x83\x7e\x83\x8a";  // ミリ, no line end
  QVERIFY(!settings::load(sheet, write(u"hand.set"_s, bytes)));
  QCOMPARE(sheet.text(Field::down座標x), u"1500"_s);
  QCOMPARE(sheet.text(Field::up座標x), u"1,500"_s);
  QCOMPARE(sheet.text(Field::変換down座標x), u"12.5"_s);
  QCOMPARE(sheet.text(Field::変換up座標x), u"#TRUE#"_s);
  QCOMPARE(sheet.text(Field::基準値X), QString());
  QCOMPARE(sheet.text(Field::指定基準X), u"-3"_s);
  QCOMPARE(sheet.text(Field::校正始めX), QString());
  QCOMPARE(sheet.text(Field::校正終わりX), u"1000"_s);
  QCOMPARE(sheet.text(Field::その差X), u"16"_s);
  QCOMPARE(sheet.text(Field::指定校正X), u"a"_s);
  QCOMPARE(sheet.text(Field::x軸係数), u"x "_s);  // trailing blanks are kept
  QCOMPARE(sheet.text(Field::x軸単位), QString());
  QCOMPARE(sheet.text(Field::down座標y), u"two\nlines"_s);
  QCOMPARE(sheet.text(Field::Y軸単位), u"ミリ"_s);
}

void TestSettingsFile::textsThatNeedQuotes_data() {
  QTest::addColumn<QString>("unit");
  QTest::newRow("double quote") << u"1\" (inch)"_s;
  QTest::newRow("leading blanks") << u"  mm"_s;
  QTest::newRow("quotes all round") << u"\"mm\""_s;
  QTest::newRow("kanji") << u"粍"_s;
  QTest::newRow("a number stays a number") << u"1.50"_s;
}

void TestSettingsFile::textsThatNeedQuotes() {
  QFETCH(QString, unit);
  ValueSheet sheet;
  sheet.setText(Field::Y軸単位, unit);
  sheet.setText(Field::x軸単位, unit);
  QVERIFY(!settings::save(sheet, path(u"q.set"_s)));
  ValueSheet loaded;
  QVERIFY(!settings::load(loaded, path(u"q.set"_s)));
  const QString expected = unit == u"1.50"_s ? u"1.5"_s : unit;
  QCOMPARE(loaded.text(Field::x軸単位), expected);
  QCOMPARE(loaded.text(Field::Y軸単位), expected);
  QCOMPARE(loaded.text(Field::x軸係数), u"1"_s);
}

void TestSettingsFile::failedSaveKeepsTheOldFile() {
  ValueSheet sheet;
  const QString file = path(u"keep.set"_s);
  QVERIFY(!settings::save(sheet, file));
  const QByteArray old = contents(file);
  sheet.setText(Field::x軸単位, QString(400, u'x'));
  // The disk fills up part of the way through the new file.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  rlimit tight = limit;
  tight.rlim_cur = 100;
  QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
  const auto failure = settings::save(sheet, file);
  setrlimit(RLIMIT_FSIZE, &limit);
  QVERIFY(failure.has_value());
  QVERIFY2(failure->startsWith(u"設定ファイル "_s), qPrintable(*failure));
  QCOMPARE(contents(file), old);
  QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"keep.set"_s});
  // Into a folder that cannot hold files, not even for root.
  QVERIFY(settings::save(sheet, u"/proc/koordel.set"_s).has_value());
}

void TestSettingsFile::unitShiftJisCannotHold() {
  ValueSheet sheet;
  sheet.setText(Field::Y軸単位, u"㎜😀"_s);
  const auto failure = settings::save(sheet, path(u"e.set"_s));
  QVERIFY(failure && failure->contains(u"（😀）"_s));
  QVERIFY(!QFile::exists(path(u"e.set"_s)));
}

void TestSettingsFile::unreadableFiles() {
  ValueSheet sheet;
  const QStringList before = texts(sheet);
  const auto missing = settings::load(sheet, path(u"nowhere.set"_s));
  QVERIFY(missing && missing->contains(u"見つかりません"_s));
  const auto folder = settings::load(sheet, m_dir->path());
  QVERIFY(folder && folder->contains(u"フォルダー"_s));
  // A picture chosen by mistake: bytes that are not Shift_JIS text.
  const auto binary = settings::load(
      sheet, write(u"image.png"_s, QByteArray::fromHex("89504e470d0a1a0a0000000d4948445280")));
  QVERIFY(binary.has_value());
  QCOMPARE(texts(sheet), before);
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

#include "QtClipboard.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

// The clipboard as another program sees it, through a real X server: the
// program owns the selection and must serve it while it runs.
class TestClipboardX11 : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void anotherProgramReadsTheLastRecord();

 private:
  QString readFromAnotherProgram();
};

void TestClipboardX11::initTestCase() {
  if (QGuiApplication::platformName() != u"xcb"_s) {
    QSKIP("needs a real X server: run through ./dev test");
  }
}

QString TestClipboardX11::readFromAnotherProgram() {
  QProcess xclip;
  xclip.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s});
  // Keep serving X events while the other program asks for the text.
  QSignalSpy finished(&xclip, &QProcess::finished);
  if (!finished.wait(10000)) {
    return u"<no answer>"_s;
  }
  return QString::fromUtf8(xclip.readAllStandardOutput());
}

void TestClipboardX11::anotherProgramReadsTheLastRecord() {
  QtClipboard clipboard;
  clipboard.clear();
  QVERIFY(clipboard.setText(u"点,P1,199.99,212.50"_s));
  QCOMPARE(readFromAnotherProgram(), u"点,P1,199.99,212.50"_s);
  clipboard.clear();
  QVERIFY(clipboard.setText(u"線,A-1,10.00,10.00,40.00,50.00,50"_s));
  // Only the last record, and no line end.
  QCOMPARE(readFromAnotherProgram(), u"線,A-1,10.00,10.00,40.00,50.00,50"_s);
}

QTEST_MAIN(TestClipboardX11)
#include "tst_clipboard_x11.moc"

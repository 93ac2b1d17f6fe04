#include "Application.h"

#include "CalcModule.h"
#include "CommandLine.h"
#include "DesktopMemory.h"
#include "JapaneseFont.h"
#include "MainWindow.h"
#include "PdfFiles.h"
#include "PictureLoader.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// The interface is Japanese whatever the system's language, down to the
// toolkit's own words (file chooser, colour chooser, message buttons, the
// command line's help).
void speakJapanese(QTranslator& toolkit) {
  QCoreApplication::setApplicationName(u"Koordel"_s);
  QCoreApplication::setApplicationVersion(QStringLiteral(KOORDEL_VERSION));
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  if (toolkit.isEmpty()) {
    (void)toolkit.load(QLocale(), u"qtbase"_s, u"_"_s,
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  }
  if (!toolkit.isEmpty()) {
    QCoreApplication::installTranslator(&toolkit);
  }
}

void print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// koordel --check: whether the installed parts are where the program looks
// for them, and whether each file opens, without a window.
int check(const QStringList& files) {
  const QString module = calcModulePath();
  const bool loaded = !module.isEmpty() && loadCalcAutomation(module) != nullptr;
  print(stdout, u"表計算モジュール: %1: %2\n"_s.arg(
                    module.isEmpty() ? calcModuleFileName() : QDir::toNativeSeparators(module),
                    module.isEmpty() ? u"見つかりません"_s
                                     : (loaded ? u"読み込めました"_s : u"読み込めません"_s)));
  bool ok = loaded;
  const auto failed = [&ok](const QString& file, const QString& error) {
    print(stdout, u"%1: %2\n"_s.arg(file, QString(error).replace(u'\n', u' ')));
    ok = false;
  };
  for (const QString& file : files) {
    if (looksLikePdf(file)) {
      const OpenedPdf pdf = openPdf(file);
      if (pdf.document) {
        const QSizeF page = pdf.document->pageSize(0);
        print(stdout,
              u"%1: PDF を開けました（%2 ページ、1 ページ目 %3 × %4 ポイント）\n"_s.arg(file)
                  .arg(pdf.document->pageCount())
                  .arg(page.width(), 0, 'f', 1)
                  .arg(page.height(), 0, 'f', 1));
      } else {
        failed(file, pdf.error);
      }
      continue;
    }
    const LoadedPicture picture = loadPicture(file);
    if (picture.error.isEmpty()) {
      print(stdout, u"%1: 開けました（%2 × %3 画素、%4 ビット）\n"_s.arg(file)
                        .arg(picture.image.width())
                        .arg(picture.image.height())
                        .arg(picture.image.depth()));
    } else {
      failed(file, picture.error);
    }
  }
  return ok ? 0 : 1;
}

}  // namespace

int runApplication(int argc, char* argv[]) {
  // An office that dies in the middle of a call must not take the program
  // with it through a broken pipe.
  std::signal(SIGPIPE, SIG_IGN);
  QTranslator toolkit;
  CommandLine line;
  {
    // Reading the arguments needs no display: --help works in any terminal.
    QCoreApplication reader(argc, argv);
    speakJapanese(toolkit);
    line = parseCommandLine(QCoreApplication::arguments());
    switch (line.action) {
      case CommandLine::Action::Help:
      case CommandLine::Action::Version:
        print(stdout, line.text);
        return 0;
      case CommandLine::Action::Error:
        print(stderr, line.text + u'\n');
        return 2;
      case CommandLine::Action::Check:
        return check(line.files);
      case CommandLine::Action::Run:
        break;
    }
  }
  QApplication app(argc, argv);
  speakJapanese(toolkit);
  QApplication::setFont(interfaceFont());
  // Only the program itself keeps what the desktop remembers: a window made
  // anywhere else (the tests) starts from nothing and keeps nothing.
  MainWindow window(nullptr, std::make_unique<DesktopMemory>(DesktopMemory::userStore()));
  window.show();
  if (!line.files.isEmpty()) {
    // Once the window is up, so that a message about the file has it behind.
    QTimer::singleShot(0, &window,
                       [&window, files = line.files] { window.openFromCommandLine(files); });
  }
  return QApplication::exec();
}

}  // namespace koordel

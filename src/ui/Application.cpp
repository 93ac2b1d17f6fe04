#include "Application.h"

#include "JapaneseFont.h"
#include "MainWindow.h"

#include <QApplication>

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>

namespace koordel {

int runApplication(int argc, char* argv[]) {
  // An office that dies in the middle of a call must not take the program
  // with it through a broken pipe.
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Koordel"));
  QApplication::setFont(interfaceFont());
  // The interface is Japanese whatever the system's language, down to the
  // toolkit's own dialogs (file chooser, colour chooser, message buttons).
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QTranslator toolkit;
  if (toolkit.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&toolkit);
  }
  MainWindow window;
  window.show();
  return QApplication::exec();
}

}  // namespace koordel

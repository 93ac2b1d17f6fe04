#include "Application.h"

#include "JapaneseFont.h"
#include "MainWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace koordel {

int runApplication(int argc, char* argv[]) {
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

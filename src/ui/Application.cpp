#include "Application.h"

#include "JapaneseFont.h"
#include "MainWindow.h"

#include <QApplication>

namespace koordel {

int runApplication(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Koordel"));
  QApplication::setFont(interfaceFont());
  MainWindow window;
  window.show();
  return QApplication::exec();
}

}  // namespace koordel

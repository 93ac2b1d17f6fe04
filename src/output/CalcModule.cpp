#include "CalcModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace koordel {

QString calcModuleFileName() {
  return QStringLiteral("libkoordel_calc.so");
}

QString privateModulePath(const QString& fileName) {
  const QDir program(QCoreApplication::applicationDirPath());
  for (const QString& folder : {QStringLiteral("."), QStringLiteral(KOORDEL_MODULE_DIR)}) {
    const QString path = QDir::cleanPath(program.filePath(folder + u'/' + fileName));
    if (QFileInfo::exists(path)) {
      return path;
    }
  }
  return {};
}

QString calcModulePath() {
  return privateModulePath(calcModuleFileName());
}

std::unique_ptr<SpreadsheetAutomation> loadCalcAutomation(const QString& path,
                                                          const CalcOptions& options) {
  // Never unloaded: the automation object's code lives in it.
  QLibrary module(path);
  if (!module.load()) {
    return nullptr;
  }
  const auto create =
      reinterpret_cast<KoordelCreateAutomation>(module.resolve("koordel_create_automation"));
  if (!create) {
    return nullptr;
  }
  return std::unique_ptr<SpreadsheetAutomation>(create(&options));
}

}  // namespace koordel

#include "CalcModule.h"

#include "PrivateModule.h"

#include <QLibrary>

namespace koordel {

QString calcModuleFileName() {
  return QStringLiteral("libkoordel_calc.so");
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

#pragma once

#include "SpreadsheetAutomation.h"

#include <QString>

#include <memory>

namespace koordel {

// The file name of the Calc backend module.
QString calcModuleFileName();

// Where the Calc backend module is, or empty when it is not installed.
QString calcModulePath();

// The Calc backend from the module at `path`, or none when the module, or the
// LibreOffice it needs, is not installed.
std::unique_ptr<SpreadsheetAutomation> loadCalcAutomation(const QString& path,
                                                          const CalcOptions& options = {});

}  // namespace koordel

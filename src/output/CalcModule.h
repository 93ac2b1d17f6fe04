#pragma once

#include "SpreadsheetAutomation.h"

#include <QString>

#include <memory>

namespace koordel {

// The file name of the Calc backend module, which is built next to the
// program.
QString calcModuleFileName();

// The Calc backend from the module at `path`, or none when the module, or the
// LibreOffice it needs, is not installed.
std::unique_ptr<SpreadsheetAutomation> loadCalcAutomation(const QString& path,
                                                          const CalcOptions& options = {});

}  // namespace koordel

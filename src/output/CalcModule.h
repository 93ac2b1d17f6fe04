#pragma once

#include "SpreadsheetAutomation.h"

#include <QString>

#include <memory>

namespace koordel {

// The file name of the Calc backend module.
QString calcModuleFileName();

// Where one of the program's modules is: beside the program in a build tree,
// in the program's private library folder once installed (wherever the
// installed tree was put), or empty when it is in neither.
QString privateModulePath(const QString& fileName);
QString calcModulePath();

// The Calc backend from the module at `path`, or none when the module, or the
// LibreOffice it needs, is not installed.
std::unique_ptr<SpreadsheetAutomation> loadCalcAutomation(const QString& path,
                                                          const CalcOptions& options = {});

}  // namespace koordel

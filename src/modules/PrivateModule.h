#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

// The folder, relative to the program's, where the installed program keeps
// its modules; given by the build, so it holds wherever the installed tree
// is unpacked.
#ifndef KOORDEL_MODULE_DIR
#error "KOORDEL_MODULE_DIR is set by the build"
#endif

namespace koordel {

// Where one of the program's modules is: beside the program in a build tree,
// in the program's private library folder once installed, or empty when it
// is in neither. Header only: the Calc link and the PDF pages both load
// modules, and neither may depend on the other.
inline QString privateModulePath(const QString& fileName) {
  const QDir program(QCoreApplication::applicationDirPath());
  for (const QString& folder : {QStringLiteral("."), QStringLiteral(KOORDEL_MODULE_DIR)}) {
    const QString path = QDir::cleanPath(program.filePath(folder + u'/' + fileName));
    if (QFileInfo::exists(path)) {
      return path;
    }
  }
  return {};
}

}  // namespace koordel

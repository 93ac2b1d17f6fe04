#include "AboutFile.h"

#include <QDir>

namespace koordel {

QString aboutFile(const QString& message, const QString& path) {
  return message + QStringLiteral("\n") + QDir::toNativeSeparators(path);
}

}  // namespace koordel

#pragma once

#include <QString>

namespace koordel {

// A message about a file: the text, then the file on a line of its own.
QString aboutFile(const QString& message, const QString& path);

}  // namespace koordel

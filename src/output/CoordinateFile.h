#pragma once

#include <QString>

#include <optional>

namespace koordel {

// 座標.txt beside the program: one record per line, Shift_JIS, CR LF. Opened
// and closed for every line, and never read.
class CoordinateFile {
 public:
  static QString fileName() { return QStringLiteral("座標.txt"); }

  explicit CoordinateFile(const QString& folder) : m_folder(folder) {}

  QString path() const;

  // Appends `line` and CR LF as one whole line, or nothing at all: a line
  // that cannot be encoded or written in full leaves the file as it was.
  // Returns what to tell the user when it failed.
  std::optional<QString> append(const QString& line) const;

 private:
  QString m_folder;
};

}  // namespace koordel

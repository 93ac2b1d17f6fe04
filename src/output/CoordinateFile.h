#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace koordel {

// 座標.txt: one record per line, Shift_JIS, CR LF. Opened and closed for
// every line, and never read. It lives in the program's folder, as it always
// has; where that folder takes no files (an installed program), it lives in
// a folder of the user's instead, and the user is told where, once a run.
class CoordinateFile {
 public:
  static QString fileName() { return QStringLiteral("座標.txt"); }

  // 座標.txt in `folder` and nowhere else.
  explicit CoordinateFile(const QString& folder) : m_folder(folder) {}
  // 座標.txt in `programFolder` while records can be written there, else in
  // `fallbackFolder`, which is made when needed.
  CoordinateFile(const QString& programFolder, const QString& fallbackFolder)
      : m_folder(programFolder), m_fallback(fallbackFolder) {}

  // Where the next record goes.
  QString path() const;

  // Appends `line` and CR LF as one whole line, or nothing at all: a line
  // that cannot be encoded or written in full leaves the file as it was.
  // Returns what to tell the user when it failed.
  std::optional<QString> append(const QString& line) const;

  // Told, once a run, the full path of a file in the fallback folder.
  void setNotice(std::function<void(const QString&)> notice) { m_notice = std::move(notice); }
  // How to tell whether records can be written in a folder; for tests.
  void setWritableTest(std::function<bool(const QString& folder)> test) {
    m_writable = std::move(test);
  }

 private:
  QString folder() const;

  QString m_folder;
  QString m_fallback;
  std::function<void(const QString&)> m_notice;
  std::function<bool(const QString&)> m_writable;
  mutable bool m_told = false;
};

}  // namespace koordel

#pragma once

#include "Record.h"

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
  // Why `line` cannot go into the file whatever the disk says: a character
  // Shift_JIS cannot hold.
  std::optional<QString> refuses(const QString& line) const;
  std::optional<QString> refuses(const Record& record) const;

  // Where a line went: the file, where it began, and its bytes.
  struct Appended {
    QString path;
    qint64 offset = 0;
    QByteArray bytes;
  };
  // The same as append(), telling where the line went.
  std::optional<QString> append(const QString& line, Appended* appended) const;
  // The record's text form as the line, encoded field by field.
  std::optional<QString> append(const Record& record, Appended* appended) const;

  enum class Outcome { Done, Changed, Gone, Failed };
  struct Undone {
    Outcome outcome = Outcome::Done;
    QString message;  // what to tell the user unless it was done
  };
  // Takes the line back out, but only while the file still ends with
  // exactly its bytes; otherwise the file is left as it is.
  static Undone takeBack(const Appended& appended);
  // Writes the line again where it was, but only while the file ends where
  // it began (or, for the first line, does not exist); all of it or none.
  static Undone appendAgain(const Appended& appended);

  // Told, once a run, the full path of a file in the fallback folder.
  void setNotice(std::function<void(const QString&)> notice) { m_notice = std::move(notice); }
  // How to tell whether records can be written in a folder; for tests.
  void setWritableTest(std::function<bool(const QString& folder)> test) {
    m_writable = std::move(test);
  }

 private:
  QString folder() const;
  // Writes `bytes` (the line, CR LF still to come) as append() does.
  std::optional<QString> appendBytes(QByteArray bytes, Appended* appended) const;

  QString m_folder;
  QString m_fallback;
  std::function<void(const QString&)> m_notice;
  std::function<bool(const QString&)> m_writable;
  mutable bool m_told = false;
};

}  // namespace koordel

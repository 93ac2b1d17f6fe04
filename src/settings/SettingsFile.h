#pragma once

#include "ValueSheet.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace koordel {

// The settings file: the value sheet's X column on line 1 and its Y column
// on line 2, twelve fields each, joined by ",", Shift_JIS, CR LF.
namespace settings {

using Values = std::array<QString, kFieldCount>;

// The name a save writes to: the chosen name with ".set" added, always.
QString fileNameFor(const QString& chosen);

// What to ask before a save to `path` replaces a file already there, or no
// value when there is none. The file dialog cannot ask this itself: it sees
// the name chosen, not the one with ".set" added.
std::optional<QString> replaceQuestion(const QString& path);

// The file's bytes, or no value when a text has characters Shift_JIS cannot
// hold (named in `unrepresentable`). A field is quoted only when it would
// not read back otherwise (a comma, a quote, a line break, leading blanks).
// A tilt, when one is set, is a third line of its own, in degrees: a sheet
// without one writes the two lines it always did.
std::optional<QByteArray> write(const ValueSheet& sheet, QString* unrepresentable = nullptr);

// The first 24 fields of a settings file's bytes, in field order, and the
// tilt on the line after them (0 when there is none), or what went wrong. A
// field that is wholly a number comes back as its plain number text.
struct ReadResult {
  Values values;
  double tilt = 0;
  QString error;
};
ReadResult read(const QByteArray& bytes);

// 設定保存 and 設定読込 on a file: each returns what to tell the user when it
// failed. A save replaces the old file only once the new one is complete; a
// load changes the sheet only once all 24 fields and the tilt are read.
std::optional<QString> save(const ValueSheet& sheet, const QString& path);
std::optional<QString> load(ValueSheet& sheet, const QString& path);

}  // namespace settings
}  // namespace koordel

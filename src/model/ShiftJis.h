#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace koordel {

// Text in Shift_JIS as Windows writes it (code page 932), the encoding of the
// coordinate file and the settings file.
struct ShiftJisText {
  std::optional<QByteArray> bytes;
  // The characters that have no place in code page 932, each once, in order
  // of appearance; empty when `bytes` holds the whole text.
  QString unrepresentable;
};

ShiftJisText toShiftJis(const QString& text);

// Text read back from code page 932 bytes; no value when the bytes are not
// valid code page 932.
std::optional<QString> fromShiftJis(const QByteArray& bytes);

}  // namespace koordel

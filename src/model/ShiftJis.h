#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
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

ShiftJisText toShiftJis(QStringView text);

// The characters of `text` that code page 932 cannot hold, each once, in
// order of appearance; empty when it holds them all. Nothing is encoded, so
// a record of megabytes is checked without a copy of it.
QString unrepresentableInShiftJis(QStringView text);

// Texts encoded one after the other into one buffer by one converter: a
// record of hundreds of thousands of fields is written field by field, with
// no joined copy of it first.
class ShiftJisWriter {
 public:
  ShiftJisWriter();
  ~ShiftJisWriter();
  ShiftJisWriter(const ShiftJisWriter&) = delete;
  ShiftJisWriter& operator=(const ShiftJisWriter&) = delete;

  void reserve(qsizetype bytes);
  // Adds `text`; false at a character code page 932 cannot hold, with the
  // bytes as they were before.
  bool add(QStringView text);
  void addAscii(char c);
  QByteArray take() { return std::move(m_bytes); }

 private:
  struct Converter;
  std::unique_ptr<Converter> m_converter;
  QByteArray m_bytes;
};

// Text read back from code page 932 bytes; no value when the bytes are not
// valid code page 932.
std::optional<QString> fromShiftJis(const QByteArray& bytes);

}  // namespace koordel

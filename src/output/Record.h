#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace koordel {

// One field of a result record. Texts copied from the value sheet stay texts;
// numbers a tool computed keep their value too, so that a spreadsheet cell
// receives a number while the clipboard and the file receive its text.
struct RecordField {
  QString text;
  std::optional<double> number;

  static RecordField ofText(const QString& text) { return {text, std::nullopt}; }
  static RecordField ofNumber(double value);
};

// Shape keyword, comment, then the tool's values.
class Record {
 public:
  Record(const QString& shape, const QString& comment);

  Record& addText(const QString& text);
  Record& addNumber(double value);

  const QList<RecordField>& fields() const { return m_fields; }

  // The fields joined by "," with no blanks, quoting, escaping or line end.
  QString textForm() const;

 private:
  QList<RecordField> m_fields;
};

}  // namespace koordel

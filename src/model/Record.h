#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace koordel {

// One field of a result record: always its text, which the clipboard and the
// file receive, and for a number also its value, so that a spreadsheet cell
// receives a number that can be summed, sorted and plotted.
struct RecordField {
  QString text;
  std::optional<double> number;
  // Decimals a spreadsheet shows the number with; -1 leaves the cell's own
  // format.
  int decimals = -1;

  // Text that stays text whatever it looks like (the keyword, the comment).
  static RecordField ofText(const QString& text) { return {text, std::nullopt}; }
  // A number a tool computed, written as plain number text.
  static RecordField ofNumber(double value);
  // A number as the value sheet holds it (a converted position): the text
  // travels unchanged, and the number keeps as many decimals as the text
  // shows. A text that is no number stays a text.
  static RecordField ofNumberText(const QString& text);
};

// Shape keyword, comment, then the tool's values.
class Record {
 public:
  Record(const QString& shape, const QString& comment);
  // `room`: two fields of room at the front, taken by the shape and the
  // comment, then the values. A record of many values is built in place
  // rather than copied.
  Record(const QString& shape, const QString& comment, QList<RecordField> room);

  Record& addText(const QString& text);
  Record& addNumber(double value);
  Record& addNumberText(const QString& text);
  Record& add(RecordField field);
  void reserve(qsizetype fields) { m_fields.reserve(fields); }

  const QList<RecordField>& fields() const { return m_fields; }

  // The fields joined by "," with no blanks, quoting, escaping or line end.
  QString textForm() const;

 private:
  QList<RecordField> m_fields;
  // The text form once made, until a field is added: a record is told,
  // checked and sent, and a polygon's runs to megabytes.
  mutable QString m_text;
};

}  // namespace koordel

#include "Record.h"

#include "NumberText.h"

#include <QStringList>

#include <algorithm>

namespace koordel {

RecordField RecordField::ofNumber(double value) {
  return {plainNumberText(value), value};
}

RecordField RecordField::ofNumberText(const QString& text) {
  const std::optional<double> value = strictParse(text);
  if (!value) {
    return ofText(text);
  }
  int decimals = 0;
  const QString t = text.trimmed();
  const qsizetype point = t.indexOf(u'.');
  if (point >= 0) {
    decimals = static_cast<int>(t.size() - point - 1);
  }
  // An exponent says nothing about decimals: the cell keeps its own format.
  for (QChar c : t) {
    if (c == u'E' || c == u'e' || c == u'D' || c == u'd' || c == u'&') {
      decimals = -1;
      break;
    }
  }
  return {text, value, decimals};
}

Record::Record(const QString& shape, const QString& comment) {
  m_fields.append(RecordField::ofText(shape));
  m_fields.append(RecordField::ofText(comment));
}

Record::Record(const QString& shape, const QString& comment, QList<RecordField> room)
    : m_fields(std::move(room)) {
  if (m_fields.size() < 2) {
    m_fields.resize(2);
  }
  m_fields[0] = RecordField::ofText(shape);
  m_fields[1] = RecordField::ofText(comment);
}

Record& Record::addText(const QString& text) {
  m_text.clear();
  m_fields.append(RecordField::ofText(text));
  return *this;
}

Record& Record::addNumber(double value) {
  m_text.clear();
  m_fields.append(RecordField::ofNumber(value));
  return *this;
}

Record& Record::addNumberText(const QString& text) {
  m_text.clear();
  m_fields.append(RecordField::ofNumberText(text));
  return *this;
}

Record& Record::add(RecordField field) {
  m_text.clear();
  m_fields.append(std::move(field));
  return *this;
}

QString Record::textForm() const {
  if (!m_text.isEmpty()) {
    return m_text;
  }
  // Sized once and copied into: a polygon's record runs to hundreds of
  // thousands of fields.
  qsizetype size = m_fields.size() - 1;
  for (const RecordField& f : m_fields) {
    size += f.text.size();
  }
  QString text(size, Qt::Uninitialized);
  QChar* out = text.data();
  for (const RecordField& f : m_fields) {
    if (&f != &m_fields.front()) {
      *out++ = u',';
    }
    out = std::copy(f.text.cbegin(), f.text.cend(), out);
  }
  m_text = text;
  return text;
}

}  // namespace koordel

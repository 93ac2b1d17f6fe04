#include "Record.h"

#include "NumberText.h"

#include <QStringList>

namespace koordel {

RecordField RecordField::ofNumber(double value) {
  return {plainNumberText(value), value};
}

Record::Record(const QString& shape, const QString& comment) {
  m_fields.append(RecordField::ofText(shape));
  m_fields.append(RecordField::ofText(comment));
}

Record& Record::addText(const QString& text) {
  m_fields.append(RecordField::ofText(text));
  return *this;
}

Record& Record::addNumber(double value) {
  m_fields.append(RecordField::ofNumber(value));
  return *this;
}

QString Record::textForm() const {
  QStringList texts;
  texts.reserve(m_fields.size());
  for (const RecordField& f : m_fields) {
    texts.append(f.text);
  }
  return texts.join(u',');
}

}  // namespace koordel

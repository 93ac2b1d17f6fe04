#pragma once

#include "Field.h"

#include <QObject>
#include <QString>

#include <array>

namespace koordel {

// The single store of measurement state. Every value is kept as the text it
// was written as; readers parse the current text at the moment of use, so a
// value typed by the user takes effect at the very next reader.
class ValueSheet : public QObject {
  Q_OBJECT

 public:
  explicit ValueSheet(QObject* parent = nullptr);

  const QString& text(Field f) const { return m_texts[static_cast<std::size_t>(f)]; }

  // Any text may be stored; nothing is validated here.
  void setText(Field f, const QString& text);

  // The lenient parse of the current text.
  double number(Field f) const;

 signals:
  void changed(koordel::Field field);

 private:
  std::array<QString, kFieldCount> m_texts;
};

}  // namespace koordel

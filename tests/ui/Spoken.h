#pragma once

#include <QAccessible>
#include <QWidget>

// What assistive technology learns of a widget: its name, its value, and the
// text of its text interface ("" where it has none).
struct Spoken {
  QString name;
  QString value;
  QString text;
  bool readOnly = false;
};

inline Spoken spoken(QWidget* widget) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
  if (!a) {
    return {};
  }
  Spoken s{a->text(QAccessible::Name), a->text(QAccessible::Value), {}, bool(a->state().readOnly)};
  if (QAccessibleTextInterface* t = a->textInterface()) {
    s.text = t->text(0, t->characterCount());
  }
  return s;
}

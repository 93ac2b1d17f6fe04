#pragma once

#include "Record.h"
#include "Selections.h"

// Records as the point and line tools make them.
inline koordel::Record samplePoint(const QString& comment,
                                   const QString& x = QStringLiteral("199.99"),
                                   const QString& y = QStringLiteral("212.50")) {
  koordel::Record r(koordel::shape::kPoint, comment);
  r.addText(x).addText(y);
  return r;
}

// 線,A-1,10.00,10.00,40.00,50.00,50 with the length as a number.
inline koordel::Record sampleLine() {
  koordel::Record r(koordel::shape::kLine, QStringLiteral("A-1"));
  r.addText(QStringLiteral("10.00")).addText(QStringLiteral("10.00"));
  r.addText(QStringLiteral("40.00")).addText(QStringLiteral("50.00")).addNumber(50);
  return r;
}

#pragma once

#include "Record.h"
#include "Selections.h"

// Records as the point and line tools make them: converted positions are
// numbers with their decimals, the length a plain number.
inline koordel::Record samplePoint(const QString& comment,
                                   const QString& x = QStringLiteral("199.99"),
                                   const QString& y = QStringLiteral("212.50")) {
  koordel::Record r(koordel::shape::kPoint, comment);
  r.addNumberText(x).addNumberText(y);
  return r;
}

// 線,A-1,10.00,10.00,40.00,50.00,50 with the length as a number.
inline koordel::Record sampleLine() {
  koordel::Record r(koordel::shape::kLine, QStringLiteral("A-1"));
  r.addNumberText(QStringLiteral("10.00")).addNumberText(QStringLiteral("10.00"));
  r.addNumberText(QStringLiteral("40.00")).addNumberText(QStringLiteral("50.00")).addNumber(50);
  return r;
}

#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The text forms in which numbers travel through the value sheet, and the two
// ways of reading them back. All of them use "." as the decimal point whatever
// the system locale: a calibration saved on one machine must read the same on
// every other.
namespace koordel {

// A pointer coordinate in twips, as the single-precision value it arrives as,
// rounded to 7 significant digits (4815, -15, 1234.5).
QString canvasPositionText(float twips);

// Shortest form with at most 15 significant digits (12.5, 0, 1440).
QString plainNumberText(double value);

// Pattern "0.00": at least one digit before the point, exactly `decimals`
// after it. A negative value that rounds to zero loses its sign.
QString fixedText(double value, int decimals);
inline QString twoDecimalText(double value) {
  return fixedText(value, 2);
}
inline QString fiveDecimalText(double value) {
  return fixedText(value, 5);
}

// Rounds to at most two decimals through the text form, so a length or radius
// is exactly the number its record text shows.
double roundToHundredths(double value);

// Reads the leading number of a text and ignores the rest; text that starts
// with no number reads as 0. Blanks, tabs and line feeds anywhere are dropped
// first, so "1 500" reads as 1500. "E" or "D" start an exponent; "&H" and "&O"
// start a hexadecimal or octal integer. A number beyond the double range reads
// as an infinity, which the callers treat as overflow.
double lenientParse(QStringView text);

// The whole text, surrounding blanks aside, must be one number in the same
// syntax as the lenient parse; anything else, and numbers beyond the double
// range, give no value.
std::optional<double> strictParse(QStringView text);

}  // namespace koordel

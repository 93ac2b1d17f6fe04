#include "NumberText.h"

#include <locale.h>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace koordel {
namespace {

// Exponents as "E+07" / "E-05": the form the lenient parse and the settings
// file's readers have always accepted.
QString fromChars(const char* first, const char* last) {
  QString text = QString::fromLatin1(first, last - first);
  text.replace(u'e', u'E');
  if (text.startsWith(u"-") && text.size() > 1) {
    // "-0", "-0.00": a value that rounds to zero has no sign.
    bool allZero = true;
    for (qsizetype i = 1; i < text.size(); ++i) {
      const QChar c = text.at(i);
      if (c != u'0' && c != u'.') {
        allZero = false;
        break;
      }
    }
    if (allZero) {
      text.remove(0, 1);
    }
  }
  return text;
}

double parseCLocale(const std::string& ascii) {
  // strtod honours LC_NUMERIC, which a Qt program inherits from the user's
  // environment; a fixed "C" locale keeps "." the decimal point everywhere.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return strtod_l(ascii.c_str(), nullptr, cLocale);
}

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int digitValue(char16_t c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') {
    v = c - u'0';
  } else if (c >= u'a' && c <= u'f') {
    v = c - u'a' + 10;
  } else if (c >= u'A' && c <= u'F') {
    v = c - u'A' + 10;
  }
  return v < base ? v : -1;
}

// A cursor over the text that can be told to step over blanks.
class Reader {
 public:
  Reader(QStringView text, bool skipBlanks) : m_text(text), m_skipBlanks(skipBlanks) { skip(); }

  bool atEnd() const { return m_pos >= m_text.size(); }
  char16_t peek() const { return atEnd() ? u'\0' : m_text.at(m_pos).unicode(); }
  void advance() {
    ++m_pos;
    skip();
  }
  qsizetype position() const { return m_pos; }
  void rewind(qsizetype pos) { m_pos = pos; }

 private:
  void skip() {
    while (m_skipBlanks && !atEnd()) {
      const char16_t c = m_text.at(m_pos).unicode();
      if (c != u' ' && c != u'\t' && c != u'\n') {
        break;
      }
      ++m_pos;
    }
  }

  QStringView m_text;
  qsizetype m_pos = 0;
  bool m_skipBlanks;
};

struct Scan {
  double value = 0;
  bool found = false;  // at least one digit was read
};

Scan scanRadixInteger(Reader& in, int base) {
  Scan scan;
  for (int d = digitValue(in.peek(), base); d >= 0; d = digitValue(in.peek(), base)) {
    scan.value = scan.value * base + d;
    scan.found = true;
    in.advance();
  }
  return scan;
}

// Reads the longest number at the reader's position and leaves the reader just
// after it.
Scan scanNumber(Reader& in) {
  if (in.peek() == u'&') {
    const qsizetype start = in.position();
    in.advance();
    const char16_t kind = in.peek();
    if (kind == u'H' || kind == u'h' || kind == u'O' || kind == u'o') {
      in.advance();
      return scanRadixInteger(in, (kind == u'H' || kind == u'h') ? 16 : 8);
    }
    in.rewind(start);
    return {};
  }

  std::string ascii;
  if (in.peek() == u'+' || in.peek() == u'-') {
    ascii += static_cast<char>(in.peek());
    in.advance();
  }
  bool digits = false;
  bool point = false;
  for (;;) {
    const char16_t c = in.peek();
    if (isDigit(c)) {
      digits = true;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    ascii += static_cast<char>(c);
    in.advance();
  }
  if (!digits) {
    return {};
  }
  const char16_t e = in.peek();
  if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
    const qsizetype beforeExponent = in.position();
    std::string exponent = "E";
    in.advance();
    if (in.peek() == u'+' || in.peek() == u'-') {
      exponent += static_cast<char>(in.peek());
      in.advance();
    }
    bool exponentDigits = false;
    while (isDigit(in.peek())) {
      exponent += static_cast<char>(in.peek());
      exponentDigits = true;
      in.advance();
    }
    if (exponentDigits) {
      ascii += exponent;
    } else {
      in.rewind(beforeExponent);
    }
  }
  return {parseCLocale(ascii), true};
}

bool isSurroundingBlank(QChar c) {
  return c.isSpace();
}

// The shortest form with at most `digits` significant digits, written out
// in decimals wherever that takes no more than `digits` digits on either side
// of the point (0.00001, not 1E-05): a calibration fine enough to need it is
// read by people, not machines. Only whole parts longer than that, or values
// below 10^-digits, keep the exponent form.
template <class Number>
QString shortestText(Number value, int digits) {
  std::array<char, 64> buf{};
  const auto r =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, digits);
  const std::string_view text(buf.data(), static_cast<std::size_t>(r.ptr - buf.data()));
  const std::size_t e = text.find('e');
  if (e == std::string_view::npos) {
    return fromChars(text.data(), text.data() + text.size());
  }
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                  exponent);
  // The general form switches to an exponent below 10^-4; large values keep
  // it, since their decimal form would need more digits than it has.
  if (exponent >= 0 || exponent < -digits) {
    return fromChars(text.data(), text.data() + text.size());
  }
  std::string decimal;
  std::string_view mantissa = text.substr(0, e);
  if (!mantissa.empty() && mantissa.front() == '-') {
    decimal += '-';
    mantissa.remove_prefix(1);
  }
  decimal += "0.";
  decimal.append(static_cast<std::size_t>(-exponent - 1), '0');
  for (char c : mantissa) {
    if (c != '.') {
      decimal += c;
    }
  }
  return fromChars(decimal.data(), decimal.data() + decimal.size());
}

}  // namespace

QString canvasPositionText(float twips) {
  return shortestText(twips, 7);
}

QString plainNumberText(double value) {
  std::array<char, 64> buf{};
  QString text = shortestText(value, 15);
  // Next to the largest double, 15 digits round up past it and would read
  // back as an overflow: those few values keep the digits they need.
  if (std::isfinite(value) && !std::isfinite(lenientParse(text))) {
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    text = fromChars(buf.data(), r.ptr);
  }
  return text;
}

QString fixedText(double value, int decimals) {
  // Large enough for the widest finite double in fixed notation.
  std::array<char, 400> buf{};
  const auto r =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
  return fromChars(buf.data(), r.ptr);
}

double roundToHundredths(double value) {
  return lenientParse(twoDecimalText(value));
}

double lenientParse(QStringView text) {
  Reader in(text, true);
  return scanNumber(in).value;
}

std::optional<double> strictParse(QStringView text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && isSurroundingBlank(text.at(first))) {
    ++first;
  }
  while (last > first && isSurroundingBlank(text.at(last - 1))) {
    --last;
  }
  Reader in(text.sliced(first, last - first), false);
  const Scan scan = scanNumber(in);
  if (!scan.found || !in.atEnd() || !std::isfinite(scan.value)) {
    return std::nullopt;
  }
  return scan.value;
}

}  // namespace koordel

#include "ShiftJis.h"

#include <QList>

#include <algorithm>

#include <iconv.h>
#include <cerrno>

namespace koordel {
namespace {

// Characters that Japanese input on Linux produces where Windows produces a
// look-alike: code page 932 holds only the Windows one, so each is written
// as the character the reader of the file will see anyway.
char32_t windowsLookAlike(char32_t c) {
  switch (c) {
    case 0x301C:  // WAVE DASH
      return 0xFF5E;
    case 0x2016:  // DOUBLE VERTICAL LINE
      return 0x2225;
    case 0x2212:  // MINUS SIGN
      return 0xFF0D;
    case 0x00A2:  // CENT SIGN
      return 0xFFE0;
    case 0x00A3:  // POUND SIGN
      return 0xFFE1;
    case 0x00AC:  // NOT SIGN
      return 0xFFE2;
    case 0x2014:  // EM DASH
      return 0x2015;
    default:
      return c;
  }
}

class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) {
      iconv_close(m_cd);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; false at the first sequence that does not convert.
  bool convert(const QByteArray& in, QByteArray& out) {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.constData());
    std::size_t srcLeft = static_cast<std::size_t>(in.size());
    char* dst = out.data();
    std::size_t dstLeft = static_cast<std::size_t>(out.size());
    while (srcLeft > 0) {
      if (iconv(m_cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) {
          const qsizetype used = dst - out.data();
          out.resize(out.size() * 2);
          dst = out.data() + used;
          dstLeft = static_cast<std::size_t>(out.size() - used);
          continue;
        }
        return false;
      }
    }
    if (iconv(m_cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
      return false;
    }
    out.resize(dst - out.data());
    return true;
  }

 private:
  iconv_t m_cd;
};

}  // namespace

ShiftJisText toShiftJis(const QString& text) {
  Converter converter("CP932", "UTF-8");
  if (!converter.ok()) {
    return {std::nullopt, QString()};
  }
  // Code page 932 keeps ASCII as it is: a record of many coordinates is
  // mostly digits, which are copied; only the rest goes through iconv,
  // look-alikes replaced.
  const QChar* const chars = text.constData();
  const qsizetype size = text.size();
  // At most two bytes for each character that converts at all.
  QByteArray out(2 * size, Qt::Uninitialized);
  qsizetype written = 0;
  QString run;
  QByteArray part;
  bool whole = true;
  for (qsizetype i = 0; i < size && whole;) {
    if (chars[i].unicode() < 0x80) {
      out[written++] = char(chars[i++].unicode());
      continue;
    }
    // Character by character, as the whole text always was: a lone
    // surrogate becomes U+FFFD (refused), a U+FEFF is left out.
    const qsizetype start = i;
    while (i < size && chars[i].unicode() >= 0x80) {
      ++i;
    }
    run.clear();
    for (const uint u : QStringView(chars + start, i - start).toUcs4()) {
      const char32_t w = windowsLookAlike(u);
      run += QString::fromUcs4(&w, 1);
    }
    whole = converter.convert(run.toUtf8(), part);
    if (!whole) {
      break;
    }
    if (written + part.size() > out.size()) {
      out.resize(written + part.size() + (size - i) * 2);
    }
    std::copy(part.cbegin(), part.cend(), out.begin() + written);
    written += part.size();
  }
  out.resize(written);
  if (whole) {
    return {out, QString()};
  }
  // Name every character that cannot be written, so the user can fix them
  // all at once.
  QString missing;
  QByteArray ignored;
  for (const uint u : text.toUcs4()) {
    const char32_t c = windowsLookAlike(u);
    const QString one = QString::fromUcs4(&c, 1);
    if (!converter.convert(one.toUtf8(), ignored) && !missing.contains(one)) {
      missing += one;
    }
  }
  return {std::nullopt, missing};
}

std::optional<QString> fromShiftJis(const QByteArray& bytes) {
  Converter converter("UTF-8", "CP932");
  QByteArray out;
  if (!converter.ok() || !converter.convert(bytes, out)) {
    return std::nullopt;
  }
  return QString::fromUtf8(out);
}

}  // namespace koordel

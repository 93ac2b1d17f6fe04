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

// Converts one run of characters beyond ASCII, character by character as
// the whole text always was: a lone surrogate becomes U+FFFD (refused), a
// U+FEFF is left out; look-alikes are replaced.
bool convertRun(Converter& converter, QStringView run, QByteArray& out) {
  QString replaced;
  replaced.reserve(run.size());
  for (const uint u : run.toUcs4()) {
    const char32_t w = windowsLookAlike(u);
    replaced += QString::fromUcs4(&w, 1);
  }
  return converter.convert(replaced.toUtf8(), out);
}

bool isAscii(QChar c) {
  return c.unicode() < 0x80;
}

}  // namespace

struct ShiftJisWriter::Converter : koordel::Converter {
  Converter() : koordel::Converter("CP932", "UTF-8") {}
};

ShiftJisWriter::ShiftJisWriter() : m_converter(std::make_unique<Converter>()) {}

ShiftJisWriter::~ShiftJisWriter() = default;

void ShiftJisWriter::reserve(qsizetype bytes) {
  m_bytes.reserve(bytes);
}

bool ShiftJisWriter::add(QStringView text) {
  if (!m_converter->ok()) {
    return false;
  }
  // Code page 932 keeps ASCII as it is: a record of many coordinates is
  // mostly digits, which are copied; only the rest goes through iconv.
  const QChar* const chars = text.data();
  const qsizetype size = text.size();
  const qsizetype before = m_bytes.size();
  qsizetype written = before;
  m_bytes.resize(written + size);
  char* out = m_bytes.data();
  QByteArray part;
  for (qsizetype i = 0; i < size;) {
    if (isAscii(chars[i])) {
      out[written++] = char(chars[i++].unicode());
      continue;
    }
    const qsizetype start = i;
    while (i < size && !isAscii(chars[i])) {
      ++i;
    }
    if (!convertRun(*m_converter, text.sliced(start, i - start), part)) {
      m_bytes.resize(before);
      return false;
    }
    // At most two bytes for each character that converts at all.
    m_bytes.resize(written + part.size() + (size - i));
    out = m_bytes.data();
    written = std::copy(part.cbegin(), part.cend(), out + written) - out;
  }
  m_bytes.resize(written);
  return true;
}

void ShiftJisWriter::addAscii(char c) {
  m_bytes.append(c);
}

QString unrepresentableInShiftJis(QStringView text) {
  QString missing;
  const auto ascii = [](QChar c) { return isAscii(c); };
  if (std::all_of(text.begin(), text.end(), ascii)) {
    return missing;
  }
  Converter converter("CP932", "UTF-8");
  if (!converter.ok()) {
    return missing;
  }
  // Name every character that cannot be written, so the user can fix them
  // all at once.
  QByteArray ignored;
  for (const uint u : text.toUcs4()) {
    if (u < 0x80) {
      continue;
    }
    const char32_t c = u;
    const QString one = QString::fromUcs4(&c, 1);
    if (!convertRun(converter, one, ignored) && !missing.contains(one)) {
      missing += one;
    }
  }
  return missing;
}

ShiftJisText toShiftJis(QStringView text) {
  ShiftJisWriter writer;
  if (writer.add(text)) {
    return {writer.take(), QString()};
  }
  return {std::nullopt, unrepresentableInShiftJis(text)};
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

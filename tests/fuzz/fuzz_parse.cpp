// The lenient and the strict parse on arbitrary text: neither may crash, and
// where the strict parse finds a number the lenient one reads the same.
#include "NumberText.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace koordel;

namespace {

// Blanks both parses agree to step over.
bool onlySharedBlanks(const QString& text) {
  for (QChar c : text) {
    if (c.isSpace() && c != u' ' && c != u'\t' && c != u'\n') {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const double lenient = lenientParse(text);
  const std::optional<double> strict = strictParse(text);
  if (strict) {
    if (!std::isfinite(*strict)) {
      std::abort();  // the strict parse gives finite numbers only
    }
    if (onlySharedBlanks(text) && lenient != *strict) {
      std::abort();
    }
  }
  return 0;
}

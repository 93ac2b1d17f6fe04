// The number text forms on arbitrary doubles and floats: every text the
// program writes must read back, by both parses, as the value it stands for.
#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace koordel;

namespace {

void check(bool ok) {
  if (!ok) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double) + sizeof(float)) {
    return 0;
  }
  double value;
  float twips;
  std::memcpy(&value, data, sizeof value);
  std::memcpy(&twips, data + sizeof value, sizeof twips);

  if (std::isfinite(value)) {
    const QString plain = plainNumberText(value);
    const std::optional<double> back = strictParse(plain);
    check(back.has_value());
    check(*back == lenientParse(plain));
    check(std::abs(*back - value) <= std::abs(value) * 1e-14);
    for (int decimals : {2, 5}) {
      const QString fixed = fixedText(value, decimals);
      const std::optional<double> f = strictParse(fixed);
      check(f.has_value());
      check(fixed.indexOf(u'.') == fixed.size() - decimals - 1);
      check(std::abs(*f - value) <= 0.5 * std::pow(10.0, -decimals) + std::abs(value) * 1e-15);
    }
    const double rounded = roundToHundredths(value);
    check(std::abs(rounded - value) <= 0.005 + std::abs(value) * 1e-15);
  }
  if (std::isfinite(twips)) {
    const QString text = canvasPositionText(twips);
    const std::optional<double> back = strictParse(text);
    check(back.has_value());
    check(std::abs(*back - twips) <= std::abs(static_cast<double>(twips)) * 5e-7);
  }
  return 0;
}

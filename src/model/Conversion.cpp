#include "Conversion.h"

#include "NumberText.h"
#include "ValueSheet.h"

#include <cmath>

namespace koordel {
namespace {

std::optional<double> finite(double v) {
  if (!std::isfinite(v)) {
    return std::nullopt;
  }
  return v;
}

std::optional<QString> asText(std::optional<double> v) {
  if (!v) {
    return std::nullopt;
  }
  return twoDecimalText(*v);
}

double pointer(float twips) {
  return lenientParse(canvasPositionText(twips));
}

}  // namespace

std::optional<double> convertX(const ValueSheet& sheet, float x) {
  const double difference = pointer(x) - sheet.number(Field::基準値X);
  const double product = difference * sheet.number(Field::x軸係数);
  return finite(product + sheet.number(Field::指定基準X));
}

std::optional<double> convertY(const ValueSheet& sheet, float y) {
  // Canvas y grows downwards; the reference comes first so that a positive
  // coefficient makes user y grow upwards.
  const double difference = sheet.number(Field::基準値Y) - pointer(y);
  const double product = difference * sheet.number(Field::Y軸係数);
  return finite(product + sheet.number(Field::指定基準Y));
}

std::optional<QString> convertXText(const ValueSheet& sheet, float x) {
  return asText(convertX(sheet, x));
}

std::optional<QString> convertYText(const ValueSheet& sheet, float y) {
  return asText(convertY(sheet, y));
}

}  // namespace koordel

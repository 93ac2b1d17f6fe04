#include "ValueSheet.h"

#include "NumberText.h"

#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace koordel {

QString fieldName(Field f) {
  static const std::array<QString, kFieldCount> names = {
      u"down座標x"_s,   u"up座標x"_s,   u"変換down座標x"_s, u"変換up座標x"_s, u"基準値X"_s,
      u"指定基準X"_s,   u"校正始めX"_s, u"校正終わりX"_s,   u"その差X"_s,     u"指定校正X"_s,
      u"x軸係数"_s,     u"x軸単位"_s,   u"down座標y"_s,     u"up座標y"_s,     u"変換down座標y"_s,
      u"変換up座標y"_s, u"基準値Y"_s,   u"指定基準Y"_s,     u"校正始めY"_s,   u"校正終わりY"_s,
      u"その差Y"_s,     u"指定校正Y"_s, u"Y軸係数"_s,       u"Y軸単位"_s,
  };
  return names[static_cast<std::size_t>(f)];
}

bool isEditable(Field f) {
  switch (rowOf(f)) {
    case rowOf(Field::指定基準X):
    case rowOf(Field::指定校正X):
    case rowOf(Field::x軸係数):
    case rowOf(Field::x軸単位):
      return true;
    default:
      return false;
  }
}

ValueSheet::ValueSheet(QObject* parent) : QObject(parent) {
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    // The unit names start empty; every other field starts as "1".
    m_texts[static_cast<std::size_t>(i)] = rowOf(f) == rowOf(Field::x軸単位) ? QString() : u"1"_s;
  }
}

void ValueSheet::setText(Field f, const QString& text) {
  QString& slot = m_texts[static_cast<std::size_t>(f)];
  if (slot == text) {
    return;
  }
  slot = text;
  emit changed(f);
}

double ValueSheet::number(Field f) const {
  return lenientParse(text(f));
}

void ValueSheet::setTilt(double degrees) {
  if (!std::isfinite(degrees)) {
    degrees = 0;
  }
  if (degrees == m_tilt) {
    return;
  }
  m_tilt = degrees;
  const double radians = degrees * std::numbers::pi / 180;
  m_tiltCos = degrees == 0 ? 1 : std::cos(radians);
  m_tiltSin = degrees == 0 ? 0 : std::sin(radians);
  emit tiltChanged();
}

}  // namespace koordel

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

// A position's offset from the reference point in twips, y upwards, turned
// back by the tilt: the offset as it would be on a straight scan.
struct Offset {
  double across;
  double up;
};

Offset turned(const ValueSheet& sheet, double across, double up) {
  return {across * sheet.tiltCos() + up * sheet.tiltSin(),
          up * sheet.tiltCos() - across * sheet.tiltSin()};
}

}  // namespace

std::optional<double> convertX(const ValueSheet& sheet, float x, float y) {
  double difference = pointer(x) - sheet.number(Field::基準値X);
  if (sheet.tilt() != 0) {
    difference = turned(sheet, difference, sheet.number(Field::基準値Y) - pointer(y)).across;
  }
  const double product = difference * sheet.number(Field::x軸係数);
  return finite(product + sheet.number(Field::指定基準X));
}

std::optional<double> convertY(const ValueSheet& sheet, float x, float y) {
  // Canvas y grows downwards; the reference comes first so that a positive
  // coefficient makes user y grow upwards.
  double difference = sheet.number(Field::基準値Y) - pointer(y);
  if (sheet.tilt() != 0) {
    difference = turned(sheet, pointer(x) - sheet.number(Field::基準値X), difference).up;
  }
  const double product = difference * sheet.number(Field::Y軸係数);
  return finite(product + sheet.number(Field::指定基準Y));
}

std::optional<QString> convertXText(const ValueSheet& sheet, float x, float y) {
  return asText(convertX(sheet, x, y));
}

std::optional<QString> convertYText(const ValueSheet& sheet, float x, float y) {
  return asText(convertY(sheet, x, y));
}

QPointF straightenedAboutCorner(const ValueSheet& sheet, QPointF twips) {
  if (sheet.tilt() == 0) {
    return twips;
  }
  const Offset o = turned(sheet, twips.x(), -twips.y());
  return {o.across, -o.up};
}

Conversion::Conversion(const ValueSheet& sheet)
    : m_rx(sheet.number(Field::基準値X)),
      m_ry(sheet.number(Field::基準値Y)),
      m_ux(sheet.number(Field::指定基準X)),
      m_uy(sheet.number(Field::指定基準Y)),
      m_kx(sheet.number(Field::x軸係数)),
      m_ky(sheet.number(Field::Y軸係数)),
      m_cos(sheet.tiltCos()),
      m_sin(sheet.tiltSin()) {}

QPointF Conversion::toUser(QPointF twips) const {
  const double across = twips.x() - m_rx;
  const double up = m_ry - twips.y();
  return {(across * m_cos + up * m_sin) * m_kx + m_ux, (up * m_cos - across * m_sin) * m_ky + m_uy};
}

std::optional<QPointF> Conversion::toTwips(QPointF user) const {
  if (m_kx == 0 || m_ky == 0) {
    return std::nullopt;
  }
  // The offset on a straight scan, turned forward again by the tilt.
  const double across = (user.x() - m_ux) / m_kx;
  const double up = (user.y() - m_uy) / m_ky;
  const QPointF twips(m_rx + across * m_cos - up * m_sin, m_ry - (up * m_cos + across * m_sin));
  if (!std::isfinite(twips.x()) || !std::isfinite(twips.y())) {
    return std::nullopt;
  }
  return twips;
}

}  // namespace koordel

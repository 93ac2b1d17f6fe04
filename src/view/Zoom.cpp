#include "Zoom.h"

#include <algorithm>
#include <cmath>

namespace koordel::zoom {

double clamped(double z) {
  if (!std::isfinite(z) || z <= 0) {
    return 1;
  }
  return std::clamp(z, kMin, kMax);
}

double highest(QSize picture) {
  const int side = std::max(picture.width(), picture.height());
  if (side <= 0) {
    return kMax;
  }
  return std::min(kMax, double(kMostScreenPixels) / side);
}

double clamped(double z, QSize picture) {
  return std::min(clamped(z), highest(picture));
}

double stepped(double z, int steps) {
  z = clamped(z);
  if (steps == 0) {
    return z;
  }
  // The grid index of z, and a little slack so that a zoom already on the
  // grid (up to rounding) counts as being there.
  const double index = std::log2(z) * kStepsPerDoubling;
  constexpr double kSlack = 1e-6;
  const double from = steps > 0 ? std::floor(index + kSlack) : std::ceil(index - kSlack);
  // Far more steps than the range holds would only overflow the exponent.
  const double to = from + std::clamp(steps, -1000, 1000);
  return clamped(std::exp2(to / kStepsPerDoubling));
}

double fitting(QSizeF picture, QSizeF area) {
  if (picture.isEmpty() || area.isEmpty()) {
    return 1;
  }
  return clamped(std::min(area.width() / picture.width(), area.height() / picture.height()));
}

QPointF offsetKeeping(QPointF image, QPointF inArea, double z) {
  return image * z - inArea;
}

QString percentText(double z) {
  const double percent = clamped(z) * 100;
  if (percent >= 10) {
    return QString::number(std::lround(percent)) + u'%';
  }
  return QString::number(percent, 'f', 1) + u'%';
}

}  // namespace koordel::zoom

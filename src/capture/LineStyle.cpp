#include "LineStyle.h"

#include "DrawingSurface.h"
#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace koordel {

std::optional<int> LineStyle::drawWidth() const {
  // nearbyint rounds half to even in the default rounding mode: 2.5 -> 2.
  const double rounded = std::nearbyint(lenientParse(widthText));
  if (!(rounded >= 1 && rounded <= DrawingSurface::kMaxDrawWidth)) {
    return std::nullopt;
  }
  return static_cast<int>(rounded);
}

double LineStyle::pointSize() const {
  // Kept to single precision, as typed sizes always were. A size beyond its
  // range becomes the largest there is (a point that size is out of reach
  // and refused) rather than an undefined conversion.
  const double typed = lenientParse(pointSizeText);
  constexpr double kLargest = std::numeric_limits<float>::max();
  return static_cast<float>(std::isnan(typed) ? typed : std::clamp(typed, -kLargest, kLargest));
}

void LineStyle::applyLineForm(DrawingSurface& surface) const {
  surface.setDrawWidth(drawWidth().value_or(1));
  surface.setDrawStyle(drawStyle);
}

void LineStyle::applyFull(DrawingSurface& surface) const {
  applyLineForm(surface);
  surface.setFillStyle(fillStyle);
  surface.setFillColor(lineColour);
}

void LineStyle::colourChosen(std::optional<QColor> chosen) {
  const QColor current = chosen.value_or(preset);
  preset = current;
  lineColour = current;
  swatch = current;
}

}  // namespace koordel

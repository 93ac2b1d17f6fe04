#include "LineStyle.h"

#include "DrawingSurface.h"
#include "NumberText.h"

#include <cmath>

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
  return static_cast<float>(lenientParse(pointSizeText));
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

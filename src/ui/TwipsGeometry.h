#pragma once

#include "Twips.h"

#include <QRect>

namespace koordel {

// Window layouts are given in twips; widgets are placed in logical pixels.
inline QRect twipsRect(int left, int top, int width, int height) {
  return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

}  // namespace koordel

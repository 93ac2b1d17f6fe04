#pragma once

namespace koordel {

// Canvas positions are in twips, 1/1440 inch. One image pixel is one logical
// pixel of 1/96 inch, so 15 twips.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
  return twips / kTwipsPerPixel;
}
constexpr float pixelsToTwips(double pixels) {
  return static_cast<float>(pixels * kTwipsPerPixel);
}

}  // namespace koordel

#pragma once

#include <QImage>
#include <QPointF>

#include <optional>

namespace koordel {

class Picture;

// A place on the drawing's ink that a pointer position is moved to: the
// centre line of a printed stroke, or the crossing (or corner) of two.
struct InkSnap {
  enum class Kind { Line, Crossing };
  QPointF at;  // in the pixels the search was given, sub-pixel
  Kind kind = Kind::Line;
};

// The ink feature nearest to `at` within `reach` of it, from the picture's
// own pixels: the crossing or corner of two strokes where one is in reach,
// else the nearest point of a stroke's centre line; no value where no ink
// is in reach. Positions are in image pixels, pixel (i, j) covering
// [i, i + 1) x [j, j + 1). Ink is what is darker than the paper (for colour,
// what differs from the local paper colour); strokes 1 to 15 pixels wide.
//
// Far zoomed out (a large reach) the search looks at the picture's reduced
// copy first and then at its own pixels only around what it found there.
std::optional<InkSnap> snapToInk(const Picture& picture, QPointF atImagePixels,
                                 double reachImagePixels);

// The same within the pixels of `window` alone, `at` in its coordinates.
std::optional<InkSnap> snapToInk(const QImage& window, QPointF at, double reach);

}  // namespace koordel

#pragma once

#include <QPointF>

#include <optional>
#include <span>

namespace koordel {

// Measures of a path of canvas positions (twips, y downwards) in user units:
// each axis takes its own coefficient (x軸係数, Y軸係数), so the measures are
// those of the drawing, not of the picture. The reference point plays no part.

// One edge, with each product formed before the difference, as a line's
// length is.
double edgeLength(QPointF from, QPointF to, double kx, double ky);
// The edges from the first vertex to the last.
double pathLength(std::span<const QPointF> vertices, double kx, double ky);
// The same and the edge back from the last vertex to the first.
double perimeter(std::span<const QPointF> vertices, double kx, double ky);
// The area the vertices enclose when the last joins the first; positive
// whichever way round they run. Meaningful only for a polygon whose edges
// do not cross.
double enclosedArea(std::span<const QPointF> vertices, double kx, double ky);
// The angle at `vertex` between the arms to `end` and `otherEnd`, in
// degrees from 0 to 180; none when an arm has no length.
std::optional<double> angleDegrees(QPointF end, QPointF vertex, QPointF otherEnd, double kx,
                                   double ky);

}  // namespace koordel

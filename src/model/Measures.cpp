#include "Measures.h"

#include <cmath>
#include <numbers>

namespace koordel {

double edgeLength(QPointF from, QPointF to, double kx, double ky) {
  const double dx = from.x() * kx - to.x() * kx;
  const double dy = from.y() * ky - to.y() * ky;
  return std::sqrt(dx * dx + dy * dy);
}

double pathLength(std::span<const QPointF> vertices, double kx, double ky) {
  double total = 0;
  for (std::size_t i = 1; i < vertices.size(); ++i) {
    total += edgeLength(vertices[i - 1], vertices[i], kx, ky);
  }
  return total;
}

double perimeter(std::span<const QPointF> vertices, double kx, double ky) {
  if (vertices.size() < 2) {
    return 0;
  }
  return pathLength(vertices, kx, ky) + edgeLength(vertices.back(), vertices.front(), kx, ky);
}

double enclosedArea(std::span<const QPointF> vertices, double kx, double ky) {
  if (vertices.size() < 3) {
    return 0;
  }
  // Taken about the first vertex: a plan far from the picture's corner keeps
  // its digits instead of losing them to the products of large positions.
  const QPointF origin = vertices.front();
  double twice = 0;
  QPointF previous(0, 0);
  for (std::size_t i = 1; i < vertices.size(); ++i) {
    const QPointF p = vertices[i] - origin;
    twice += previous.x() * p.y() - p.x() * previous.y();
    previous = p;
  }
  return std::abs(twice) / 2 * std::abs(kx * ky);
}

std::optional<double> angleDegrees(QPointF end, QPointF vertex, QPointF otherEnd, double kx,
                                   double ky) {
  const double ux = (end.x() - vertex.x()) * kx;
  const double uy = (end.y() - vertex.y()) * ky;
  const double wx = (otherEnd.x() - vertex.x()) * kx;
  const double wy = (otherEnd.y() - vertex.y()) * ky;
  if ((ux == 0 && uy == 0) || (wx == 0 && wy == 0)) {
    return std::nullopt;
  }
  // atan2 of the cross and dot products keeps its precision near 0 and 180
  // degrees, where an arc cosine loses it.
  const double radians = std::atan2(std::abs(ux * wy - uy * wx), ux * wx + uy * wy);
  if (!std::isfinite(radians)) {
    return std::nullopt;
  }
  return radians * 180 / std::numbers::pi;
}

}  // namespace koordel

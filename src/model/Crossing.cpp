#include "Crossing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace koordel {
namespace {

// The sign of the turn from a to b to c: +1 left, -1 right, 0 in line.
int turn(QPointF a, QPointF b, QPointF c) {
  const double cross = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
  return (cross > 0) - (cross < 0);
}

// Whether c, in line with a and b, lies on the segment between them.
bool within(QPointF a, QPointF b, QPointF c) {
  return std::min(a.x(), b.x()) <= c.x() && c.x() <= std::max(a.x(), b.x()) &&
         std::min(a.y(), b.y()) <= c.y() && c.y() <= std::max(a.y(), b.y());
}

bool segmentsMeet(QPointF a, QPointF b, QPointF c, QPointF d) {
  const int abc = turn(a, b, c);
  const int abd = turn(a, b, d);
  const int cda = turn(c, d, a);
  const int cdb = turn(c, d, b);
  if (abc * abd < 0 && cda * cdb < 0) {
    return true;
  }
  // Touching: an end on the other edge.
  return (abc == 0 && within(a, b, c)) || (abd == 0 && within(a, b, d)) ||
         (cda == 0 && within(c, d, a)) || (cdb == 0 && within(c, d, b));
}

// Neighbours a-b and b-c share b; they cross only by running back over each
// other: in line, with c on the same side of b as a.
bool foldsBack(QPointF a, QPointF b, QPointF c) {
  if (turn(a, b, c) != 0) {
    return false;
  }
  return (a.x() - b.x()) * (c.x() - b.x()) + (a.y() - b.y()) * (c.y() - b.y()) > 0;
}

// Sorts entries by their bits from `low` up, keeping the order of equal
// ones, a few bits at a time: the entries come in edge order, so sorting by
// cell alone leaves each cell's edges in order, and a plan's 300,000 entries
// take a few passes instead of a comparison sort.
void sortByCell(std::vector<std::uint64_t>& entries, int low) {
  std::uint64_t all = 0;
  for (const std::uint64_t e : entries) {
    all |= e;
  }
  const int high = std::bit_width(all);
  constexpr int kDigit = 11;
  constexpr std::uint64_t kMask = (1u << kDigit) - 1;
  std::vector<std::uint64_t> spare(entries.size());
  for (int shift = low; shift < high; shift += kDigit) {
    std::array<std::size_t, 1u << kDigit> start{};
    for (const std::uint64_t e : entries) {
      ++start[(e >> shift) & kMask];
    }
    std::size_t sum = 0;
    for (std::size_t& s : start) {
      sum += std::exchange(s, sum);
    }
    for (const std::uint64_t e : entries) {
      spare[start[(e >> shift) & kMask]++] = e;
    }
    entries.swap(spare);
  }
}

}  // namespace

bool crossesItself(std::span<const QPointF> vertices) {
  const std::size_t n = vertices.size();
  if (n < 3) {
    return false;
  }
  // A vertex at no place has no area round it.
  for (const QPointF& p : vertices) {
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
      return true;
    }
  }
  const auto at = [&](std::size_t i) { return vertices[i % n]; };
  for (std::size_t i = 0; i < n; ++i) {
    if (foldsBack(at(i), at(i + 1), at(i + 2))) {
      return true;
    }
  }
  if (n == 3) {
    return false;
  }

  // Edges are put in the cells of a grid they pass through, about as many
  // cells as edges, and only edges sharing a cell are compared: a plan's
  // outline of 100,000 vertices is checked in milliseconds, not in the hours
  // comparing every pair would take.
  double left = vertices[0].x(), right = left, top = vertices[0].y(), bottom = top;
  for (const QPointF& p : vertices) {
    left = std::min(left, p.x());
    right = std::max(right, p.x());
    top = std::min(top, p.y());
    bottom = std::max(bottom, p.y());
  }
  const double width = right - left;
  const double height = bottom - top;
  if (!std::isfinite(width) || !std::isfinite(height)) {
    return true;
  }
  // Cells about twice an edge's length: an edge lies in two or three cells
  // and a cell holds a few edges. The cells are never laid out, only
  // numbered, so their count does not matter.
  double total = 0;
  for (std::size_t e = 0; e < n; ++e) {
    const QPointF d = at(e + 1) - at(e);
    total += std::abs(d.x()) + std::abs(d.y());
  }
  if (!std::isfinite(total)) {
    return true;
  }
  double side =
      std::max({2 * total / double(n), std::max(width, height) / double(1 << 24), 1e-9}) * 1.0001;
  // Each entry is one number, the cell above the edge's index: sorted, the
  // edges of a cell come together.
  const int edgeBits = std::bit_width(n);
  const auto cellsFit = [&] {
    const double cells = (std::floor(width / side) + 1) * (std::floor(height / side) + 1);
    return cells < std::ldexp(1.0, 63 - edgeBits);
  };
  while (!cellsFit()) {
    side *= 2;
  }
  const auto columns = static_cast<std::int64_t>(width / side) + 1;
  const auto rows = static_cast<std::int64_t>(height / side) + 1;
  // Cells an edge passes through, column by column, with a little room either
  // side so that an edge ending on a cell's border is found in both cells.
  std::vector<std::uint64_t> entries;
  entries.reserve(3 * n);
  const double slack = 1e-7;
  for (std::size_t e = 0; e < n; ++e) {
    const QPointF a = at(e);
    const QPointF b = at(e + 1);
    const double ax = (a.x() - left) / side, ay = (a.y() - top) / side;
    const double bx = (b.x() - left) / side, by = (b.y() - top) / side;
    const auto firstColumn = std::max<std::int64_t>(0, std::int64_t(std::min(ax, bx) - slack));
    const auto lastColumn =
        std::min<std::int64_t>(columns - 1, std::int64_t(std::max(ax, bx) + slack));
    for (std::int64_t c = firstColumn; c <= lastColumn; ++c) {
      double y0 = ay, y1 = by;
      if (ax != bx) {
        const double x0 = std::clamp(double(c), std::min(ax, bx), std::max(ax, bx));
        const double x1 = std::clamp(double(c + 1), std::min(ax, bx), std::max(ax, bx));
        const double slope = (by - ay) / (bx - ax);
        y0 = ay + (x0 - ax) * slope;
        y1 = ay + (x1 - ax) * slope;
      }
      const auto firstRow = std::max<std::int64_t>(0, std::int64_t(std::min(y0, y1) - slack));
      const auto lastRow = std::min<std::int64_t>(rows - 1, std::int64_t(std::max(y0, y1) + slack));
      for (std::int64_t r = firstRow; r <= lastRow; ++r) {
        entries.push_back((std::uint64_t(r * columns + c) << edgeBits) | e);
      }
    }
  }
  sortByCell(entries, edgeBits);

  const auto neighbours = [n](std::size_t e, std::size_t f) {
    return (e + 1) % n == f || (f + 1) % n == e;
  };
  const std::uint64_t mask = (std::uint64_t(1) << edgeBits) - 1;
  for (std::size_t first = 0; first < entries.size();) {
    std::size_t last = first;
    const std::uint64_t cell = entries[first] >> edgeBits;
    while (last < entries.size() && entries[last] >> edgeBits == cell) {
      ++last;
    }
    for (std::size_t i = first; i < last; ++i) {
      const std::size_t e = entries[i] & mask;
      for (std::size_t j = i + 1; j < last; ++j) {
        const std::size_t f = entries[j] & mask;
        if (e == f || neighbours(e, f)) {
          continue;
        }
        if (segmentsMeet(at(e), at(e + 1), at(f), at(f + 1))) {
          return true;
        }
      }
    }
    first = last;
  }
  return false;
}

}  // namespace koordel

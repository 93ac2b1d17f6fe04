#pragma once

#include <QPointF>

#include <span>

namespace koordel {

// Whether the closed polygon through `vertices` (the last joined back to the
// first) crosses or touches itself: two edges that are not neighbours meet
// anywhere, or two neighbours run back over each other. Such a polygon has
// no single area. Consecutive vertices must differ.
bool crossesItself(std::span<const QPointF> vertices);

}  // namespace koordel

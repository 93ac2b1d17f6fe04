#pragma once

#include "ShapeTool.h"

#include <memory>
#include <vector>

namespace koordel {

class GestureTracker;

// The four tools (点, 線, 円, 四角), each set on `tracker` for its shape.
std::vector<std::unique_ptr<ShapeTool>> setUpTools(const ToolContext& context,
                                                   GestureTracker& tracker);

}  // namespace koordel

#pragma once

#include "PathTool.h"
#include "ShapeTool.h"

#include <memory>
#include <vector>

namespace koordel {

class GestureTracker;
class Sketch;

// The four tools (点, 線, 円, 四角), each set on `tracker` for its shape.
std::vector<std::unique_ptr<ShapeTool>> setUpTools(const ToolContext& context,
                                                   GestureTracker& tracker);

// 折れ線, 多角形 and 角度, sketched on `sketch` while they are built.
std::vector<std::unique_ptr<PathTool>> setUpPathTools(const ToolContext& context, Sketch& sketch,
                                                      GestureTracker& tracker);

}  // namespace koordel

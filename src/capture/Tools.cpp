#include "Tools.h"

#include "CircleTool.h"
#include "GestureTracker.h"
#include "LineTool.h"
#include "PointTool.h"
#include "RectangleTool.h"
#include "Selections.h"

namespace koordel {

std::vector<std::unique_ptr<ShapeTool>> setUpTools(const ToolContext& context,
                                                   GestureTracker& tracker) {
  std::vector<std::unique_ptr<ShapeTool>> tools;
  const auto add = [&](std::unique_ptr<ShapeTool> tool, const QString& keyword) {
    tracker.setTool(keyword, tool.get());
    tools.push_back(std::move(tool));
  };
  add(std::make_unique<PointTool>(context), shape::kPoint);
  add(std::make_unique<LineTool>(context), shape::kLine);
  add(std::make_unique<CircleTool>(context), shape::kCircle);
  add(std::make_unique<RectangleTool>(context), shape::kRectangle);
  return tools;
}

std::vector<std::unique_ptr<PathTool>> setUpPathTools(const ToolContext& context, Sketch& sketch,
                                                      GestureTracker& tracker) {
  std::vector<std::unique_ptr<PathTool>> tools;
  for (const PathTool::Kind kind :
       {PathTool::Kind::Polyline, PathTool::Kind::Polygon, PathTool::Kind::Angle}) {
    auto tool = std::make_unique<PathTool>(context, kind, sketch);
    tracker.setTool(tool->keyword(), tool.get());
    tools.push_back(std::move(tool));
  }
  return tools;
}

}  // namespace koordel

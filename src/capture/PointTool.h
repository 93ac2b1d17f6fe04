#pragma once

#include "ShapeTool.h"

namespace koordel {

// 点: marks the release position with a small circle; sends it converted.
class PointTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Plan plan(bool sending) const override;
};

}  // namespace koordel

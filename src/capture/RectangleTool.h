#pragma once

#include "ShapeTool.h"

namespace koordel {

// 四角: the box spanned by the press and the release; sends its four corners,
// starting at the press corner.
class RectangleTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Plan plan(bool sending) const override;
};

}  // namespace koordel

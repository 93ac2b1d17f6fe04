#pragma once

#include "ShapeTool.h"

namespace koordel {

// 円: centred on the press, through the release; sends the centre and the
// radius in user units.
class CircleTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Plan plan(bool sending) const override;
};

}  // namespace koordel

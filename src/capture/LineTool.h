#pragma once

#include "ShapeTool.h"

namespace koordel {

// 線: a straight line from the press to the release; sends both ends and the
// length in user units.
class LineTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  bool fills() const override { return false; }
  Plan plan(bool sending) const override;
};

}  // namespace koordel

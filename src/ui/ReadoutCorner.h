#pragma once

class QMenuBar;

namespace koordel {

class PictureView;
class Readout;
class ValueSheet;

struct CornerReadouts {
  Readout* tilt = nullptr;
  Readout* zoom = nullptr;
};

// The tilt and zoom readouts at the right end of the menu bar, where they
// are always seen and cover none of the status panels.
CornerReadouts addReadoutCorner(QMenuBar* bar, const ValueSheet& sheet, const PictureView* view);

}  // namespace koordel

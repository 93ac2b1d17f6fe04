#pragma once

#include "Readout.h"

namespace koordel {

// 表示倍率: the zoom as the user reads it ("100%", "5.8%"), never cut short.
class ZoomReadout : public Readout {
  Q_OBJECT

 public:
  explicit ZoomReadout(QWidget* parent);

  void showZoom(double zoom);
};

}  // namespace koordel

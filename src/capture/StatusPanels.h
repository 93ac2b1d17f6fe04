#pragma once

#include <QString>

namespace koordel {

// The status bar's panels, counted from 1.
class StatusPanels {
 public:
  virtual ~StatusPanels() = default;
  virtual void setPanelText(int panel, const QString& text) = 0;
};

}  // namespace koordel

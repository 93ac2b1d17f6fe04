#pragma once

#include "PointerEvent.h"

#include <QString>

#include <optional>

namespace koordel {

// A tool runs once per release, after the release has been written to the
// value sheet, and reads everything it needs from there. It returns a message
// for the user when the capture could not be completed.
class CaptureTool {
 public:
  virtual ~CaptureTool() = default;
  virtual std::optional<QString> run() = 0;

  // A tool that takes several clicks sees each release and each move; the
  // others run once per release and ignore the pointer in between.
  virtual std::optional<QString> release(const PointerEvent& e) {
    Q_UNUSED(e);
    return run();
  }
  virtual void follow(const PointerEvent& e) { Q_UNUSED(e); }
};

}  // namespace koordel

#pragma once

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
};

}  // namespace koordel

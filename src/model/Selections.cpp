#include "Selections.h"

#include <array>

namespace koordel {

bool isSending(const QString& where) {
  return where == destination::kClipboard || where == destination::kFile ||
         where == destination::kSpreadsheet;
}

std::optional<QString> shapeForMenuIndex(int index) {
  static const std::array<QString, 5> shapes = {shape::kNone, shape::kPoint, shape::kLine,
                                                shape::kCircle, shape::kRectangle};
  if (index < 0 || index >= static_cast<int>(shapes.size())) {
    return std::nullopt;
  }
  return shapes[static_cast<std::size_t>(index)];
}

std::optional<QString> destinationForMenuIndex(int index) {
  static const std::array<QString, 4> destinations = {
      destination::kNone, destination::kClipboard, destination::kFile, destination::kSpreadsheet};
  if (index < 0 || index >= static_cast<int>(destinations.size())) {
    return std::nullopt;
  }
  return destinations[static_cast<std::size_t>(index)];
}

}  // namespace koordel

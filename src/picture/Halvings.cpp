#include "Halvings.h"

#include <algorithm>
#include <cmath>

namespace koordel::zoom {

int halvings(double z) {
  if (!(z < 1)) {
    return 0;
  }
  // A little slack, so that 1/4 up to rounding counts as two halvings.
  return std::min(static_cast<int>(std::floor(std::log2(1 / z) + 1e-9)), kMostHalvings);
}

}  // namespace koordel::zoom

#include "ScrollSteps.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace koordel {
namespace {

// Steps are 16-bit counts; a step of 0 would make the bar's arrows dead.
int stepOf(double value) {
  return static_cast<int>(std::clamp(std::nearbyint(value), 1.0, 32767.0));
}

}  // namespace

ScrollSteps scrollSteps(long long canvasTwips, int barTwips, int previousLarge, int previousSmall) {
  ScrollSteps steps;
  // Kept in full: a range cut to 16 bits would leave most of a big scan
  // unreachable.
  steps.maximum = static_cast<int>(std::clamp<long long>(canvasTwips - barTwips, INT_MIN, INT_MAX));
  if (steps.maximum > 0) {
    // nearbyint rounds half to even in the default rounding mode.
    steps.largeStep = stepOf(steps.maximum / 100.0);
    steps.smallStep = stepOf(steps.largeStep / 100.0);
  } else {
    steps.largeStep = previousLarge;
    steps.smallStep = previousSmall;
  }
  return steps;
}

}  // namespace koordel

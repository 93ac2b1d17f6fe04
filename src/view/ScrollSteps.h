#pragma once

namespace koordel {

// A scroll bar's range and steps, in twips, for a canvas of `canvasTwips`
// seen through a bar of `barTwips`: the maximum is the difference; the large
// step a hundredth of it and the small step a hundredth of that, rounded half
// to even and never below 1. With nothing to scroll (maximum 0 or less) the
// previous steps stay.
struct ScrollSteps {
  int maximum = 0;
  int largeStep = 1;
  int smallStep = 1;
};

ScrollSteps scrollSteps(long long canvasTwips, int barTwips, int previousLarge, int previousSmall);

}  // namespace koordel

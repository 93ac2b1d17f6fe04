#include "BandOrder.h"

#include <algorithm>

namespace koordel::bands {

int widestGap(int height, int bandRows) {
  return std::max(bandRows, height / kCoarseGaps);
}

std::vector<int> order(int count, int bandRows, int height, bool interleaved) {
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(std::max(0, count)));
  if (count <= 0) {
    return order;
  }
  const int head = std::clamp((kHeadRows + bandRows - 1) / std::max(1, bandRows), 1, count);
  // Bands skipped between two of the coarse pass.
  const int skipped = std::max(1, widestGap(height, bandRows) / std::max(1, bandRows));
  if (!interleaved || head + skipped >= count) {
    for (int i = 0; i < count; ++i) {
      order.push_back(i);
    }
    return order;
  }
  std::vector<bool> taken(static_cast<std::size_t>(count), false);
  const auto take = [&](int i) {
    if (!taken[static_cast<std::size_t>(i)]) {
      taken[static_cast<std::size_t>(i)] = true;
      order.push_back(i);
    }
  };
  for (int i = 0; i < head; ++i) {
    take(i);
  }
  for (int i = head + skipped; i < count - 1; i += skipped + 1) {
    take(i);
  }
  take(count - 1);
  for (int i = 0; i < count; ++i) {
    take(i);
  }
  return order;
}

}  // namespace koordel::bands

#pragma once

#include <vector>

namespace koordel {

// A picture read in bands of rows that can be decoded independently (a
// TIFF's strips, or its rows of tiles), side by side on several threads.
//
// The order they are handed out in: first the bands a window shows at
// 100 % from the top, then a coarse pass over the whole height (every few
// bands, the last one too, so that no gap between them is taller than a
// `kCoarseGaps`th of the picture), then the rest top to bottom. Zoomed
// out, the whole sheet shows after the coarse pass, a fraction of the
// decode, with the gaps filled in from the bands around them.
namespace bands {

// The coarse pass leaves gaps of at most this part of the picture's height.
inline constexpr int kCoarseGaps = 8;
// Rows shown at 100 % before anything else: a tall window's.
inline constexpr int kHeadRows = 1024;

// Band indices, each once, for `count` bands of `bandRows` rows (the last
// may be shorter) making a picture `height` rows high; top to bottom when
// not `interleaved`.
std::vector<int> order(int count, int bandRows, int height, bool interleaved);

// The tallest gap, in rows, the coarse pass leaves in a picture `height`
// rows high (at least a band).
int widestGap(int height, int bandRows);

}  // namespace bands
}  // namespace koordel

#pragma once
#include <vector>

#include "platform/ui/Types.h"

namespace mendora::station {

// A tile's smallest size: below it the texts no longer fit.
inline constexpr platform::Size kMinimumTile{120, 100};
inline constexpr int kTileGap = 6;

// The tiles' rectangles in a grid over `area`, row by row: as many columns as give the
// largest tiles (never below the minimum, which may then overflow the area at the bottom),
// every tile the same size and no wider than twice its height.
std::vector<platform::Rect> TileGrid(const platform::Rect& area, int count);

}  // namespace mendora::station

#include "tools/station/window/TileLayout.h"

#include <algorithm>

namespace mendora::station {

using platform::Rect;
using platform::Size;

namespace {

Size TileSize(const Rect& area, int count, int columns) {
    const int rows = (count + columns - 1) / columns;
    const int width = (area.Width() - kTileGap * (columns + 1)) / columns;
    const int height = (area.Height() - kTileGap * (rows + 1)) / rows;
    return {width, height};
}

// No wider than twice the height: a wide tile only spreads its texts apart.
Size Capped(Size s) { return {std::min(s.cx, 2 * s.cy), s.cy}; }

}  // namespace

std::vector<Rect> TileGrid(const Rect& area, int count) {
    if (count <= 0) return {};
    int bestColumns = 1;
    long bestArea = -1;
    for (int columns = 1; columns <= count; ++columns) {
        const Size s = TileSize(area, count, columns);
        if (s.cx < kMinimumTile.cx) break;
        const long tileArea = long(Capped(s).cx) * std::max(s.cy, 0);
        if (s.cy >= kMinimumTile.cy && tileArea > bestArea) bestArea = tileArea, bestColumns = columns;
        if (s.cy < kMinimumTile.cy && bestArea < 0) bestColumns = columns;  // the most that fit across
    }
    Size s = Capped(TileSize(area, count, bestColumns));
    s.cx = std::max(s.cx, kMinimumTile.cx);
    s.cy = std::max(s.cy, kMinimumTile.cy);
    std::vector<Rect> tiles;
    for (int i = 0; i < count; ++i) {
        const int x = area.left + kTileGap + (i % bestColumns) * (s.cx + kTileGap);
        const int y = area.top + kTileGap + (i / bestColumns) * (s.cy + kTileGap);
        tiles.push_back({x, y, x + s.cx, y + s.cy});
    }
    return tiles;
}

}  // namespace mendora::station

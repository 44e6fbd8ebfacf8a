#pragma once
#include "platform/ui/Types.h"
#include "tools/station/window/TileState.h"

namespace mendora::station {

// A tile's colours, readable from across the room: neutral while it works, amber (blinking)
// while it waits for the person, green when repaired, red when it failed or was refused.
struct TileColours {
    platform::COLORREF background;
    platform::COLORREF text;
    platform::COLORREF bar;      // the progress bar's done part
    platform::COLORREF barBack;  // and the rest
};

// `blinkOn` picks between the two shades of a waiting tile; the other tones ignore it.
TileColours ColoursOf(TileTone tone, bool blinkOn);

// Whether a tile of this tone blinks.
inline bool Blinks(TileTone tone) { return tone == TileTone::Waiting; }

}  // namespace mendora::station

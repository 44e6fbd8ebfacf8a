#pragma once
#include <string>

#include "tools/station/DriveRow.h"
#include "tools/station/window/StationTexts.h"

namespace mendora::station {

// What a tile tells at a glance.
enum class TileTone {
    Ready,     // found, not started
    Working,   // a repair under way
    Waiting,   // the person must act: re-plug the drive
    Repaired,
    Failed,    // failed, refused or interrupted
};

// Everything one tile shows, in the user's language; two equal states draw the same pixels.
struct TileState {
    std::string name;          // "D:"
    std::string model;         // "QF90 128MB", empty until identified
    std::string phase;         // the phase in words, "Re-plug now", or "removed"
    std::string progressText;  // "42%  3.1 MB/s  0:35 left"
    int progress = 0;          // per mille of the whole repair
    std::string badText;       // "Bad Blocks: 3"
    int badDegrees = 0;        // the bad share of all blocks, as a pie slice
    std::string verdict;       // the verdict word, empty while it runs
    std::string reason;        // why it failed or was refused, where it stopped
    std::string mapFile;       // the bad-block map, once drawn
    TileTone tone = TileTone::Ready;
    bool removed = false;

    friend bool operator==(const TileState&, const TileState&) = default;
};

// The tile of a row; `started` once the station has started its worker. `mapFile` is where
// the worker draws the map (empty: none).
TileState TileStateOf(const DriveRow& row, bool started, const StationTexts& texts, const std::string& mapFile,
                      double now);

}  // namespace mendora::station

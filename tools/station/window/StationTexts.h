#pragma once
#include <array>
#include <string>

#include "platform/kernel/Resources.h"
#include "tools/station/Phases.h"

namespace mendora::station {

// The station window's texts in the user's language, loaded once from the string table.
struct StationTexts {
    std::string title, start, stop, autoStart, clear;
    std::array<std::string, kPhases.size()> phases;  // identify .. done
    std::string ready, working, repaired, retire, failed, refused, interrupted, removed, left;
    std::string stopping, closing, hint, noMap, badBlocks;

    static StationTexts Load(platform::Resources& resources);
    // The verdict word of a report's verdict ("repaired", "refused", ...).
    const std::string& Verdict(const std::string& verdict) const;
};

}  // namespace mendora::station

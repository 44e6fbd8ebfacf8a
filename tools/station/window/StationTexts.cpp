#include "tools/station/window/StationTexts.h"

#include "console/ConsoleStrings.h"
#include "protocol/StringIds.h"

namespace mendora::station {

StationTexts StationTexts::Load(platform::Resources& resources) {
    auto text = [&](std::uint16_t id) { return LoadConsoleString(resources, id); };
    StationTexts t;
    t.title = text(kStationTitleString);
    t.start = text(kStationStartString);
    t.stop = text(kStationStopString);
    t.autoStart = text(kStationAutoStartString);
    t.clear = text(kStationClearString);
    for (Phase p : kPhases)
        t.phases[PhaseIndex(p)] = text(static_cast<std::uint16_t>(kStationFirstPhaseString + PhaseIndex(p)));
    t.ready = text(kStationReadyString);
    t.working = text(kStationWorkingString);
    t.repaired = text(kStationRepairedString);
    t.failed = text(kStationFailedString);
    t.refused = text(kStationRefusedString);
    t.interrupted = text(kStationInterruptedString);
    t.removed = text(kStationRemovedString);
    t.left = text(kStationLeftString);
    t.stopping = text(kStationStoppingString);
    t.closing = text(kStationClosingString);
    t.hint = text(kStationHintString);
    t.noMap = text(kStationNoMapString);
    t.badBlocks = text(kBadBlocksString);
    return t;
}

const std::string& StationTexts::Verdict(const std::string& verdict) const {
    if (verdict == "repaired") return repaired;
    if (verdict == "refused") return refused;
    if (verdict == "interrupted") return interrupted;
    return failed;
}

}  // namespace mendora::station

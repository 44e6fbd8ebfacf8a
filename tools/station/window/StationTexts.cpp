#include "tools/station/window/StationTexts.h"

#include "console/ConsoleStrings.h"
#include "protocol/StringIds.h"

namespace mendora::station {

namespace {

// Each phase's text: identify .. library and done in a row, the certify on its own.
std::uint16_t PhaseStringId(Phase phase) {
    if (phase == Phase::Certify) return kStationCertifyPhaseString;
    const std::size_t index = phase > Phase::Certify ? PhaseIndex(phase) - 1 : PhaseIndex(phase);
    return static_cast<std::uint16_t>(kStationFirstPhaseString + index);
}

}  // namespace

StationTexts StationTexts::Load(platform::Resources& resources) {
    auto text = [&](std::uint16_t id) { return LoadConsoleString(resources, id); };
    StationTexts t;
    t.title = text(kStationTitleString);
    t.start = text(kStationStartString);
    t.stop = text(kStationStopString);
    t.autoStart = text(kStationAutoStartString);
    t.clear = text(kStationClearString);
    for (Phase p : kPhases)
        t.phases[PhaseIndex(p)] = text(PhaseStringId(p));
    t.ready = text(kStationReadyString);
    t.working = text(kStationWorkingString);
    t.repaired = text(kStationRepairedString);
    t.retire = text(kStationRetireString);
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
    if (verdict == "repaired, retire") return retire;
    if (verdict == "refused") return refused;
    if (verdict == "interrupted") return interrupted;
    return failed;
}

}  // namespace mendora::station

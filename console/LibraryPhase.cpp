#include "console/LibraryPhase.h"

#include "console/FirmwareCheck.h"

namespace mendora {

BadBlockFigures LibraryPhase::BadBlocks() {
    BadBlockFigures figures;
    library_.GetBADBlockInfomation(device_, &figures.bad, &figures.total, &figures.divisor);
    return figures;
}

std::optional<std::string> LibraryPhase::FirmwareVersion() {
    char version[kVersionBuffer] = {};
    if (library_.GetFwVersion(device_, version) == 0) return std::nullopt;
    return BufferText(version, sizeof version);
}

LibraryOutcome RunLibraryPhase(DeviceLibrary& library, QdllHandle device, std::uint8_t repairFlags) {
    LibraryPhase phase(library, device);
    phase.Run(repairFlags);
    LibraryOutcome outcome;
    outcome.blocks = phase.BadBlocks();
    outcome.errorCode = phase.ErrorCode();
    outcome.firmwareAfter = phase.FirmwareVersion();
    return outcome;
}

}  // namespace mendora

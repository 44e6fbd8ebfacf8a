#include "console/DriveReport.h"

#include <vector>

#include "console/EngineReport.h"

namespace mendora {

nlohmann::json DriveReport(const DriveIdentification& drive, const FlashGeometry& geometry) {
    const LibraryAnswers& a = drive.answers;
    const DriveDescription& d = drive.description;
    return {{"drive", std::string(1, a.driveLetter) + ":"},
            {"description", d.description},
            {"chip_id", drive.chip.id},
            {"chip_version", drive.chip.version},
            {"flash_id", std::vector<int>(a.chipId, a.chipId + 5)},
            {"firmware_before", d.noFirmware ? nlohmann::json() : nlohmann::json(d.VersionText())},
            {"geometry", GeometryJson(geometry)}};
}

}  // namespace mendora

#pragma once
#include <nlohmann/json.hpp>

#include "console/DriveIdentification.h"
#include "flash/RevertRecords.h"

namespace mendora {

// What a report says of the drive the library identified: its letter, description, chip,
// flash id, firmware before the repair (null: none) and the geometry the revert works with.
nlohmann::json DriveReport(const DriveIdentification& drive, const FlashGeometry& geometry);

}  // namespace mendora

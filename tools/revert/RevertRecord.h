#pragma once
#include <nlohmann/json.hpp>

#include "platform/kernel/Clock.h"
#include "platform/kernel/Profile.h"

namespace mendora::revert_tool {

// Keeps the revert's record of its drive (its report, with the drive's port and serial) in
// the records database the settings name (station.conf, MENDORA_RECORDS). A record that
// cannot be kept is said on stderr and changes nothing else. Where records are not built,
// nothing is kept.
void KeepRevertRecord(const nlohmann::json& report, platform::ProfileReader& profiles, platform::Clock& clock);

}  // namespace mendora::revert_tool

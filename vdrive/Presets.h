#pragma once
#include <optional>
#include <string>
#include <vector>

#include "vdrive/DriveSetup.h"

namespace mendora::vdrive {

// The named drives `mendora-vdrive create --preset` knows.
std::optional<DriveSetup> Preset(const std::string& name);
std::vector<std::string> PresetNames();

}  // namespace mendora::vdrive

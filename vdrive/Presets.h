#pragma once
#include <optional>
#include <string>
#include <vector>

#include "vdrive/DriveSpec.h"

namespace mendora::vdrive {

// The named drives `mendora-vdrive create --preset` knows.
std::optional<DriveSpec> Preset(const std::string& name);
std::vector<std::string> PresetNames();

}  // namespace mendora::vdrive

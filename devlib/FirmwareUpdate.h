#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/ProcessHost.h"

namespace mendora::devlib {

// The update image for a selection code: the executable's directory + "/Boot/" + the
// code's entry; empty when the executable path is unknown.
std::string UpdateFirmwarePath(platform::ProcessHost& process, std::uint8_t selectionCode);

// The image file's bytes when it holds exactly one 64 KiB image.
std::optional<std::vector<std::uint8_t>> LoadFirmwareImage(const std::string& path);

}  // namespace mendora::devlib

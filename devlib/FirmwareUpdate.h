#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/FileSystem.h"
#include "platform/kernel/ProcessHost.h"

namespace mendora::devlib {

// The update image for a drive's chip id and a selection code: the executable's directory
// + "/Boot/" + the image's entry; empty when the executable path is unknown or the chip
// has no update image.
std::string UpdateFirmwarePath(platform::ProcessHost& process, std::uint16_t chipId, std::uint8_t selectionCode);

// The image file's bytes when it holds exactly one 64 KiB image.
std::optional<std::vector<std::uint8_t>> LoadFirmwareImage(platform::FileSystem& files, const std::string& path);

// Whether a 64 KiB image names `chipId` as the controller it is made for.
bool IsMadeFor(const std::vector<std::uint8_t>& image, std::uint16_t chipId);

}  // namespace mendora::devlib

#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "devlib/MakerDrives.h"

namespace mendora::devlib {

// "maker model capacity": the INQUIRY vendor and product, the model from the chip id and
// the raw flash capacity in MB, e.g. "QUORVANE USB Flash Disk QF90 4096MB".
std::string DescriptionOf(const DriveIdentity& identity);

// The 6-character firmware version, or "FFFFFF" for a drive without firmware.
std::string FirmwareVersionOf(const DriveIdentity& identity);

// Copies text zero-terminated into a buffer of `size` bytes, cut to fit.
void CopyText(std::string_view text, char* buffer, std::size_t size);

}  // namespace mendora::devlib

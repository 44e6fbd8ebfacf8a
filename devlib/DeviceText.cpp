#include "devlib/DeviceText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mendora::devlib {

std::string DescriptionOf(const DriveIdentity& identity) {
    const identify::Geometry& g = identity.answer.geometry;
    std::uint64_t megabytes = g.TotalBlocks() * g.SectorsPerBlock() / 2048;
    char model[8];
    std::snprintf(model, sizeof model, "QF%02X", identity.answer.identity.chipId & 0xFFu);
    return identity.vendor + " " + identity.product + " " + model + " " + std::to_string(megabytes) + "MB";
}

std::string FirmwareVersionOf(const DriveIdentity& identity) {
    return identity.answer.identity.firmwareVersion.value_or("FFFFFF");
}

void CopyText(std::string_view text, char* buffer, std::size_t size) {
    if (size == 0) return;
    std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace mendora::devlib

#pragma once
#include <cstdint>
#include <iterator>
#include <string_view>

// The update firmware image the device library hands out for each device selection code
// (the code read from Device.ini: QF70 0, BCD 1, FP 2, QF40 3).
namespace mendora::devlib {

struct UpdateFirmwareFile {
    std::string_view entry;    // relative to the unpacked Boot tree, '/' separated
    std::string_view version;  // the 6-character version text inside the image
};

inline constexpr UpdateFirmwareFile kUpdateFirmwareFiles[] = {
    {"70/fw70.bin", "Q70105"},    // QF70
    {"BCD/fwbcd.bin", "QBC212"},  // BCD
    {"FP/fwfp.bin", "QFP308"},    // FP
    {"40/fw40.bin", "Q40110"},    // QF40
};

// The update image for a selection code; codes beyond the table fall back to QF70.
inline constexpr const UpdateFirmwareFile& UpdateFirmwareFor(std::uint8_t selectionCode) {
    return selectionCode < std::size(kUpdateFirmwareFiles) ? kUpdateFirmwareFiles[selectionCode]
                                                          : kUpdateFirmwareFiles[0];
}

}  // namespace mendora::devlib

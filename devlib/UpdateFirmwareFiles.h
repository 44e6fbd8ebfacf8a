#pragma once
#include <cstdint>
#include <iterator>
#include <string_view>

#include "protocol/ControllerChips.h"

// The update firmware images the device library hands out: one per controller and device
// selection code (the code read from Device.ini: QF70 0, BCD 1, FP 2, QF40 3). The code
// picks the product's firmware line; the drive's chip id picks the build of that line
// made for its controller.
namespace mendora::devlib {

struct UpdateFirmwareFile {
    std::string_view entry;    // relative to the unpacked Boot tree, '/' separated
    std::string_view version;  // the 6-character version text inside the image
};

inline constexpr std::size_t kSelectionCodes = 4;

struct ControllerFirmware {
    std::uint16_t chipId;
    UpdateFirmwareFile byCode[kSelectionCodes];
};

inline constexpr ControllerFirmware kUpdateFirmware[] = {
    {chips::kQf70,
     {
         {"70/fw70.bin", "Q70105"},    // QF70
         {"BCD/fwbcd.bin", "QBC212"},  // BCD
         {"FP/fwfp.bin", "QFP308"},    // FP
         {"40/fw40.bin", "Q40110"},    // QF40
     }},
    {chips::kQf90,
     {
         {"90/fw90.bin", "Q90120"},
         {"BCD/90/fwbcd.bin", "QBC220"},
         {"FP/90/fwfp.bin", "QFP320"},
         {"40/90/fw40.bin", "Q40120"},
     }},
};

// The update image for a drive's chip id and a selection code; codes beyond the table
// fall back to code 0. None (nullptr) for a chip with no firmware of its own here: no
// other controller's image may stand in for it.
inline constexpr const UpdateFirmwareFile* UpdateFirmwareFor(std::uint16_t chipId, std::uint8_t selectionCode) {
    for (const ControllerFirmware& controller : kUpdateFirmware) {
        if (controller.chipId != chipId) continue;
        return &controller.byCode[selectionCode < kSelectionCodes ? selectionCode : 0];
    }
    return nullptr;
}

}  // namespace mendora::devlib

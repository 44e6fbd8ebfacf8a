#pragma once
#include <array>
#include <vector>

#include "vdrive/Presets.h"
#include "protocol/RevertImageFormat.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {

// A small drive: 2 chips of 16 blocks, 4 pages of 2 sectors each.
inline vdrive::DriveSetup SmallSetup() {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{2, 2, 8, 4, 2};
    return setup;
}

inline std::vector<std::uint8_t> RamImage(std::uint16_t model) {
    std::vector<std::uint8_t> ram(4096, 0x5A);
    revert::SealRamImage(ram.data(), model, 1, 0xF010);
    return ram;
}

// Sends one command straight to a drive.
inline vdrive::Reply Send(vdrive::VirtualDrive& drive, std::vector<std::uint8_t> cdb, vdrive::Direction direction,
                          std::vector<std::uint8_t>& data) {
    return drive.Execute(vdrive::Command{cdb, direction, data, 200});
}

inline vdrive::Reply SendNone(vdrive::VirtualDrive& drive, std::vector<std::uint8_t> cdb) {
    std::vector<std::uint8_t> none;
    return Send(drive, std::move(cdb), vdrive::Direction::None, none);
}

// Loads a valid revert image of the drive's model into its RAM.
inline void StartRevertImage(vdrive::VirtualDrive& drive, std::uint16_t model) {
    SendNone(drive, {0xFD, 0x13, 0x01, 0, 0, 0, 0, 0, 0, 0});
    auto ram = RamImage(model);
    for (int k = 0; k < 8; ++k) {
        std::vector<std::uint8_t> chunk(ram.begin() + k * 512, ram.begin() + (k + 1) * 512);
        std::uint8_t hi = static_cast<std::uint8_t>(0xF0 + 2 * k);
        Send(drive, {0xFD, 0x00, 0x01, hi, 0x00, 0x00, 0x03, 0x02, 0x00, 0, 0, 0}, vdrive::Direction::Out, chunk);
    }
}

inline std::vector<std::uint8_t> Addressed(std::uint8_t op, std::uint32_t sector, std::uint8_t mask) {
    return {op, 0, static_cast<std::uint8_t>(sector >> 24), static_cast<std::uint8_t>(sector >> 16),
            static_cast<std::uint8_t>(sector >> 8), static_cast<std::uint8_t>(sector), 0, 0, 0, 0, 0, 0, mask};
}

}  // namespace mendora::testing

#pragma once
#include <atomic>
#include <cstdint>

namespace mendora {

// What dialog initialisation learns about the drive and the run reads later, possibly on
// another thread.
struct ConsoleState {
    std::atomic<std::uint16_t> chipId{0};
    std::atomic<std::uint16_t> chipVersion{0};
    std::atomic<std::uint8_t> selectionCode{0};  // from Device.ini: QF70 0, BCD 1, FP 2, QF40 3
    std::atomic<std::uint8_t> repairFlags{0};
    std::atomic<std::uint32_t> noFirmware{0};
};

// The console's state for the life of the process.
ConsoleState& Console();

}  // namespace mendora

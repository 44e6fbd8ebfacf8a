#pragma once
#include <cstdint>

// Opcodes of the controller's vendor flash commands, answered only while a revert image
// runs in its RAM. The CDBs are built in flash/VendorRequest.cpp.
namespace mendora::opcode {

inline constexpr std::uint8_t kWriteFlashParameters = 0xF0;
inline constexpr std::uint8_t kResetFlash = 0xF1;
inline constexpr std::uint8_t kEraseBlock = 0xF5;
inline constexpr std::uint8_t kWritePages = 0xF6;
inline constexpr std::uint8_t kReadPages = 0xF8;
inline constexpr std::uint8_t kReadSpare = 0xF9;
inline constexpr std::uint8_t kSetInterleave = 0xFC;
inline constexpr std::uint8_t kRamLoad = 0xFD;
inline constexpr std::uint8_t kEraseBlockWithStatus = 0xFE;

// The commands that address a flash block (sector and chip mask in the CDB).
inline constexpr bool AddressesFlash(std::uint8_t op) {
    return op == kEraseBlock || op == kWritePages || op == kReadPages || op == kReadSpare ||
           op == kEraseBlockWithStatus;
}

}  // namespace mendora::opcode

#pragma once
#include <cstdint>

// Sense keys and additional sense codes the controller answers with.
namespace mendora::vdrive::sense {

inline constexpr std::uint8_t kNotReady = 0x02;
inline constexpr std::uint8_t kMediumError = 0x03;
inline constexpr std::uint8_t kIllegalRequest = 0x05;

inline constexpr std::uint8_t kWriteError = 0x0C;
inline constexpr std::uint8_t kUnrecoveredReadError = 0x11;
inline constexpr std::uint8_t kInvalidOpcode = 0x20;
inline constexpr std::uint8_t kOutOfRange = 0x21;
inline constexpr std::uint8_t kInvalidField = 0x24;
inline constexpr std::uint8_t kInvalidParameter = 0x26;  // invalid field in parameter list
inline constexpr std::uint8_t kSequenceError = 0x2C;
inline constexpr std::uint8_t kFormatCorrupted = 0x31;
inline constexpr std::uint8_t kMediumNotPresent = 0x3A;

}  // namespace mendora::vdrive::sense

#pragma once
#include <cstdint>

// Ids of the program's texts in the string table; each text is there in English,
// Traditional Chinese and Simplified Chinese.
namespace mendora {

inline constexpr std::uint16_t kUpdateButtonString = 1;
inline constexpr std::uint16_t kCloseButtonString = 2;
inline constexpr std::uint16_t kAdminRequiredString = 4;
inline constexpr std::uint16_t kBadBlocksString = 5;
inline constexpr std::uint16_t kFastString = 6;
inline constexpr std::uint16_t kCompleteString = 7;
inline constexpr std::uint16_t kRepairOptionString = 8;
inline constexpr std::uint16_t kDeviceInformationString = 9;
inline constexpr std::uint16_t kRepairCompleteString = 11;
inline constexpr std::uint16_t kRepairFailString = 12;
inline constexpr std::uint16_t kNoDeviceString = 13;
inline constexpr std::uint16_t kConfirmString = 14;
inline constexpr std::uint16_t kUnsupportedString = 16;
inline constexpr std::uint16_t kWrongSystemString = 17;
inline constexpr std::uint16_t kReplugString = 18;
inline constexpr std::uint16_t kDualChannelString = 19;

}  // namespace mendora

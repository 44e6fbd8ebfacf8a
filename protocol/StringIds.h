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

// The station's window.
inline constexpr std::uint16_t kStationTitleString = 300;
inline constexpr std::uint16_t kStationStartString = 301;
inline constexpr std::uint16_t kStationStopString = 302;
inline constexpr std::uint16_t kStationAutoStartString = 303;
inline constexpr std::uint16_t kStationClearString = 304;
inline constexpr std::uint16_t kStationFirstPhaseString = 305;  // identify .. library, then done
inline constexpr std::uint16_t kStationReadyString = 313;
inline constexpr std::uint16_t kStationWorkingString = 314;
inline constexpr std::uint16_t kStationRepairedString = 315;
inline constexpr std::uint16_t kStationFailedString = 316;
inline constexpr std::uint16_t kStationRefusedString = 317;
inline constexpr std::uint16_t kStationInterruptedString = 318;
inline constexpr std::uint16_t kStationRemovedString = 319;
inline constexpr std::uint16_t kStationLeftString = 320;
inline constexpr std::uint16_t kStationStoppingString = 321;
inline constexpr std::uint16_t kStationClosingString = 322;
inline constexpr std::uint16_t kStationHintString = 323;
inline constexpr std::uint16_t kStationNoMapString = 324;
inline constexpr std::uint16_t kStationCertifyPhaseString = 325;  // the certify, between library and done
inline constexpr std::uint16_t kStationRetireString = 326;

}  // namespace mendora

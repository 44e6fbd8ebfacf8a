#pragma once
#include <cstddef>
#include <string>

namespace mendora::genfiles {

// The device-selection file: two lines, the second without a line end.
std::string DeviceSelectionText();

// The default QF70 device settings: kDefaultDeviceSettingsLines lines, each ended by CR LF.
inline constexpr std::size_t kDefaultDeviceSettingsLines = 64;
std::string DefaultDeviceSettingsText();

// The revert tree's default settings: an INI text of exactly kRevertDefaultsSize bytes.
inline constexpr std::size_t kRevertDefaultsSize = 278;
std::string RevertDefaultsText();

}  // namespace mendora::genfiles

#pragma once
#include <cstdint>
#include <string>

#include "platform/kernel/Profile.h"

namespace mendora {

// Where the device selection file lies: beside the running executable.
std::string DeviceIniPath(const std::string& executablePath);

// The device selection code a value of "SelectDevice" names, by prefix and in this order:
// QF40 3, QF70 0, BCD 1, FP 2. An empty or unknown value leaves the current code.
std::uint8_t SelectionCodeFor(const std::string& value, std::uint8_t current);

// Reads section "Device", key "SelectDevice" (64-byte buffer, default empty) and answers
// the code it names.
std::uint8_t ReadDeviceSelection(platform::ProfileReader& profiles, const std::string& iniPath,
                                 std::uint8_t current);

}  // namespace mendora

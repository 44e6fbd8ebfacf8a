#pragma once
#include <cstdint>

namespace mendora::platform {

// Asks the host's own version query instead of reporting a fixed build.
inline constexpr std::uint32_t kOsBuildFromHost = 0xFFFFFFFFu;

// The OS build number this executable's version query reports. Two definitions exist,
// chosen when the executable is linked: the shipped program always reports what the host
// is (on Linux: the supported platform's build), so nothing lets a user past the
// administrator gate; the build made for tests alone may report another
// (MENDORA_OS_BUILD), to try start-up without administrator rights.
std::uint32_t ReportedOsBuild();

}  // namespace mendora::platform

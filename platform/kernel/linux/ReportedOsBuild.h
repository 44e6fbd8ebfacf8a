#pragma once
#include <cstdint>

namespace mendora::platform {

// The OS build number this executable's version query reports. Two definitions exist,
// chosen when the executable is linked: the shipped program always reports the supported
// platform's build, so nothing lets a user past the administrator gate; the build made
// for tests alone may report another (MENDORA_OS_BUILD), to try start-up without root.
std::uint32_t ReportedOsBuild();

}  // namespace mendora::platform

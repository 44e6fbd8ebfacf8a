#pragma once
#include <cstdint>

namespace mendora::platform {

// The environment variable that shortens the wait of a stalled command, in milliseconds,
// so that fault sweeps can stall many commands. Only the development build reads it.
inline constexpr const char* kStallWaitVariable = "MENDORA_VDRIVE_STALL_MS";

// How long a stalled command on a virtual drive keeps its caller waiting, in milliseconds.
// Two definitions, chosen when the build is configured: the packaged build always waits
// the whole timeout; the development build lets kStallWaitVariable shorten it.
std::uint32_t StallWaitMs(std::uint32_t timeoutSeconds);

}  // namespace mendora::platform

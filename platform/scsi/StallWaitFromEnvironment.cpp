// The development build's choice: kStallWaitVariable may shorten a stall, never lengthen it.
#include <cstdlib>

#include "platform/scsi/StallWait.h"

namespace mendora::platform {

std::uint32_t StallWaitMs(std::uint32_t timeoutSeconds) {
    const std::uint32_t full = timeoutSeconds * 1000u;
    const char* text = std::getenv(kStallWaitVariable);
    if (text == nullptr || *text < '0' || *text > '9') return full;
    char* end = nullptr;
    const unsigned long wait = std::strtoul(text, &end, 10);
    return *end == '\0' && wait < full ? static_cast<std::uint32_t>(wait) : full;
}

}  // namespace mendora::platform

// The test build's choice: MENDORA_OS_BUILD=<0..65535> reports another build (for example
// 6000, the first past the administrator gate); anything else reports the supported one.
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/linux/LinuxVersionQuery.h"
#include "platform/kernel/linux/ReportedOsBuild.h"

namespace mendora::platform {

std::uint32_t ReportedOsBuild() {
    const char* text = std::getenv("MENDORA_OS_BUILD");
    if (text == nullptr || *text == '\0') return kSupportedOsBuild;
    std::uint32_t build = 0;
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, build);
    if (error != std::errc() || stop != end || build > 0xFFFF) return kSupportedOsBuild;
    return build;
}

}  // namespace mendora::platform

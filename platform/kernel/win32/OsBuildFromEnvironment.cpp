// The test build's choice: MENDORA_OS_BUILD=<0..65535> reports another build; anything else
// reports the build Windows itself reports.
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/ReportedOsBuild.h"

namespace mendora::platform {

std::uint32_t ReportedOsBuild() {
    const char* text = std::getenv("MENDORA_OS_BUILD");
    if (text == nullptr || *text == '\0') return kOsBuildFromHost;
    std::uint32_t build = 0;
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, build);
    if (error != std::errc() || stop != end || build > 0xFFFF) return kOsBuildFromHost;
    return build;
}

}  // namespace mendora::platform

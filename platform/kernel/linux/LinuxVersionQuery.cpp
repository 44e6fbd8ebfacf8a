#include "platform/kernel/linux/LinuxVersionQuery.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace mendora::platform {
namespace {

std::uint32_t ReportedBuild() {
    constexpr std::uint32_t kDefaultBuild = 2600;
    const char* text = std::getenv("MENDORA_OS_BUILD");
    if (text == nullptr || *text == '\0') return kDefaultBuild;
    std::uint32_t build = 0;
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, build);
    if (error != std::errc() || stop != end || build > 0xFFFF) return kDefaultBuild;
    return build;
}

}  // namespace

std::optional<OsVersion> LinuxVersionQuery::Query(VersionRecord) {
    return OsVersion{5, 1, ReportedBuild(), 2, "Service Pack 3"};
}

}  // namespace mendora::platform

#include "app/OsGate.h"

namespace mendora {
namespace {

constexpr std::uint32_t kPlatform9x = 1;

// Windows 98 (second edition when the service-pack text reads " A") and Me report
// fixed numbers; Windows 95 keeps its own.
std::uint32_t BuildOf9x(const platform::OsVersion& v, std::uint32_t lowBits) {
    if (v.minorVersion == 10) return v.servicePack.size() > 1 && v.servicePack[1] == 'A' ? 410 : 409;
    if (v.minorVersion == 90) return 420;
    return lowBits;
}

}  // namespace

std::uint32_t GetOsBuild(platform::VersionQuery& version) {
    auto v = version.Query(platform::VersionRecord::Extended);
    if (!v) v = version.Query(platform::VersionRecord::Basic);
    if (!v) return 0;
    std::uint32_t build = v->buildNumber & 0xFFFF;
    if (v->platformId == kPlatform9x && v->majorVersion == 4) return BuildOf9x(*v, build);
    return build;
}

std::uint32_t IsUserAdmin(platform::AdminRights& rights) {
    return rights.IsAdministrator().value_or(false) ? 1 : 0;
}

}  // namespace mendora

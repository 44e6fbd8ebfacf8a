#include "platform/kernel/linux/LinuxAdminRights.h"

#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace mendora::platform {
namespace {

constexpr int kCapSysRawio = 17;

std::optional<unsigned long long> EffectiveCapabilities() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) == 0) {
            std::istringstream value(line.substr(7));
            unsigned long long mask = 0;
            if (value >> std::hex >> mask) return mask;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<bool> LinuxAdminRights::IsAdministrator() {
    if (::geteuid() == 0) return true;
    auto caps = EffectiveCapabilities();
    if (!caps) return std::nullopt;
    return ((*caps >> kCapSysRawio) & 1ULL) != 0;
}

}  // namespace mendora::platform

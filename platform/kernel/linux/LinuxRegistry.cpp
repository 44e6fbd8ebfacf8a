#include "platform/kernel/linux/LinuxRegistry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/kernel/RegFile.h"

namespace mendora::platform {

namespace {

// A registry file larger than this is not a settings file; it is ignored.
constexpr std::streamoff kMaxFileSize = 1 << 20;

}  // namespace

std::string LinuxRegistry::FilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/mendora/user.reg";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    return std::string(home) + "/.config/mendora/user.reg";
}

std::optional<std::uint32_t> LinuxRegistry::ReadDword(const std::string& key, const std::string& name) {
    std::string path = FilePath();
    if (path.empty()) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    file.seekg(0, std::ios::end);
    if (file.tellg() > kMaxFileSize) return std::nullopt;
    file.seekg(0);
    std::ostringstream text;
    text << file.rdbuf();
    return FindRegDword(text.str(), key, name);
}

}  // namespace mendora::platform

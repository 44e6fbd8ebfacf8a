// The Linux host's name, standard folders and random source.
#include <sys/random.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/kernel/HostFacts.h"

namespace mendora::platform {

namespace {

class LinuxHostFacts : public HostFacts {
public:
    std::string HostName() override {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "unknown";
        return name;
    }
    std::string SettingsDirectory() override { return "/etc/mendora"; }
    std::string DataDirectory() override {
        if (::geteuid() == 0) return "/var/lib/mendora";
        const char* data = std::getenv("XDG_DATA_HOME");
        if (data != nullptr && data[0] == '/') return std::string(data) + "/mendora";
        const char* home = std::getenv("HOME");
        if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/mendora";
        return {};
    }
    std::string NewUuid() override {
        unsigned char bytes[16];
        std::size_t got = 0;
        while (got < sizeof bytes) {
            const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
            if (n <= 0) return {};
            got += static_cast<std::size_t>(n);
        }
        return UuidFromRandomBytes(bytes);
    }
};

}  // namespace

std::unique_ptr<HostFacts> NativeHostFacts() { return std::make_unique<LinuxHostFacts>(); }

}  // namespace mendora::platform

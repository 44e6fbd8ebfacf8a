// The Windows host's name, standard folders and random source.
#include "platform/kernel/win32/WindowsHeader.h"

#include <bcrypt.h>

#include "platform/kernel/HostFacts.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {

namespace {

class Win32HostFacts : public HostFacts {
public:
    std::string HostName() override {
        wchar_t name[256] = {};
        DWORD size = 255;
        if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size) || size == 0) return "unknown";
        return win32::Narrow(name, size);
    }
    std::string SettingsDirectory() override { return MendoraFolder(); }
    std::string DataDirectory() override { return MendoraFolder(); }
    std::string NewUuid() override {
        unsigned char bytes[16];
        if (::BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return {};
        return UuidFromRandomBytes(bytes);
    }

private:
    // %ProgramData%\Mendora, spelt as the system spells paths; empty when Windows does not
    // say where ProgramData is.
    static std::string MendoraFolder() {
        const auto folder = win32::EnvironmentText("ProgramData");
        if (!folder || folder->empty()) return {};
        return win32::SlashPath(*folder) + "/Mendora";
    }
};

}  // namespace

std::unique_ptr<HostFacts> NativeHostFacts() { return std::make_unique<Win32HostFacts>(); }

}  // namespace mendora::platform

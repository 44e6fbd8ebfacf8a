#include "console/DeviceSelection.h"

namespace mendora {

std::string DeviceIniPath(const std::string& executablePath) {
    std::size_t slash = executablePath.find_last_of('/');
    std::string directory = slash == std::string::npos ? "." : executablePath.substr(0, slash);
    return directory + "/Device.ini";
}

std::uint8_t SelectionCodeFor(const std::string& value, std::uint8_t current) {
    if (value.empty()) return current;
    struct Prefix {
        const char* text;
        std::uint8_t code;
    };
    static constexpr Prefix kPrefixes[] = {{"QF40", 3}, {"QF70", 0}, {"BCD", 1}, {"FP", 2}};
    for (const Prefix& prefix : kPrefixes)
        if (value.rfind(prefix.text, 0) == 0) return prefix.code;
    return current;
}

std::uint8_t ReadDeviceSelection(platform::ProfileReader& profiles, const std::string& iniPath,
                                 std::uint8_t current) {
    constexpr std::size_t kValueBuffer = 64;
    return SelectionCodeFor(profiles.GetString(iniPath, "Device", "SelectDevice", "", kValueBuffer), current);
}

}  // namespace mendora

#include "console/FirmwareCheck.h"

#include <climits>
#include <cstring>

namespace mendora {
namespace {

constexpr std::uint64_t kVersionReadOffset = 0xEFF0;
constexpr std::size_t kVersionReadLength = 16;
constexpr std::size_t kVersionFirstByte = 2;
constexpr std::size_t kVersionLength = 6;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool IsNoFirmware(const char* version32) { return std::memcmp(version32, "FFFFFF", 6) == 0; }

std::string BufferText(const char* buffer, std::size_t size) {
    const void* end = std::memchr(buffer, 0, size);
    return std::string(buffer, end ? static_cast<const char*>(end) - buffer : size);
}

std::string DeviceInformationText(const std::string& description, const char* version32) {
    std::string version = IsNoFirmware(version32) ? "NO FIRMWARE" : BufferText(version32, kVersionBuffer);
    return description + "\n\nFW Ver:" + version;
}

std::string ReadUpdateFirmwareVersion(platform::FileSystem& files, const std::string& path) {
    if (path.empty()) return "";
    auto file = files.Open(path, platform::OpenMode::ReadShared);
    if (!file || !file->Seek(kVersionReadOffset)) return "";
    char read[kVersionReadLength] = {};
    // A file that ends before the version's last byte holds no version.
    if (file->Read(read, sizeof read) < static_cast<long>(kVersionFirstByte + kVersionLength)) return "";
    return BufferText(read + kVersionFirstByte, kVersionLength);
}

int VersionNumber(const std::string& version) {
    std::size_t at = 3;
    while (at < version.size() && IsBlank(version[at])) ++at;
    bool negative = false;
    if (at < version.size() && (version[at] == '+' || version[at] == '-')) negative = version[at++] == '-';
    long long value = 0;
    for (; at < version.size() && version[at] >= '0' && version[at] <= '9'; ++at) {
        value = value * 10 + (version[at] - '0');
        if (value > INT_MAX) value = INT_MAX;  // a version never needs more; no overflow
    }
    return static_cast<int>(negative ? -value : value);
}

std::string VersionCompareLine(const std::string& current, const std::string& update) {
    return "fwv=" + std::to_string(VersionNumber(current)) + ", newfwv=" + std::to_string(VersionNumber(update));
}

}  // namespace mendora

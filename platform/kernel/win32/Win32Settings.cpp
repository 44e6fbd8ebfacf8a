#include "platform/kernel/win32/WindowsHeader.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "platform/kernel/CaseFolding.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {

std::optional<std::uint32_t> Win32Registry::ReadDword(const std::string& key, const std::string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::WidePath(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    std::uint8_t bytes[4] = {};
    DWORD size = sizeof bytes;
    LONG status = RegQueryValueExW(opened, win32::Widen(name).c_str(), nullptr, &type, bytes, &size);
    RegCloseKey(opened);
    // A DWORD, or four bytes of binary data: both read as the same little-endian number.
    if (status != ERROR_SUCCESS || size != 4 || (type != REG_DWORD && type != REG_BINARY)) return std::nullopt;
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

// The host lists a name again for each section that repeats it; the reader answers each
// name once, the first spelling, as many as fit into the caller's buffer.
// Names and values come as UTF-16 and are handed on as UTF-8; the caller's buffer size
// counts UTF-8 bytes.
std::vector<std::string> Win32ProfileReader::SectionNames(const std::string& path, std::size_t bufferSize) {
    std::wstring buffer(4096, L'\0');
    const std::wstring file = win32::WidePath(path);
    DWORD n = 0;
    for (;;) {
        n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
        if (n + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
        buffer.assign(buffer.size() * 4, L'\0');
    }
    std::vector<std::string> names;
    std::size_t used = 1;  // the list's final zero
    for (std::size_t at = 0; at < n && buffer[at] != L'\0';) {
        std::size_t end = buffer.find(L'\0', at);
        if (end == std::wstring::npos || end > n) break;
        std::string name = win32::Narrow(buffer.data() + at, end - at);
        at = end + 1;
        bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& s) { return EqualIgnoringCase(s, name); });
        if (seen) continue;
        if (used + name.size() + 1 > bufferSize) break;
        used += name.size() + 1;
        names.push_back(std::move(name));
    }
    return names;
}

std::string Win32ProfileReader::GetString(const std::string& path, const std::string& section, const std::string& key,
                                          const std::string& fallback, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    // One UTF-16 unit never takes fewer UTF-8 bytes, so a buffer of as many units holds
    // everything the caller's bytes can take.
    std::wstring buffer(bufferSize, L'\0');
    DWORD n = GetPrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                       win32::Widen(fallback).c_str(), buffer.data(), static_cast<DWORD>(bufferSize),
                                       win32::WidePath(path).c_str());
    return win32::CutToBytes(win32::Narrow(buffer.data(), n), bufferSize - 1);
}

// The number is read from the text, so that a sign and a missing number behave alike on
// every host.
int Win32ProfileReader::GetInt(const std::string& path, const std::string& section, const std::string& key,
                               int fallback) {
    const std::string missing = "\x01";
    std::string value = GetString(path, section, key, missing, 256);
    if (value == missing) return fallback;
    const char* p = value.c_str();
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    long long number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        number = std::min<long long>(number * 10 + (*p - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) number = -number;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

}  // namespace mendora::platform

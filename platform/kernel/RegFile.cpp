#include "platform/kernel/RegFile.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace mendora::platform {

namespace {

constexpr const char* kCurrentUser = "HKEY_CURRENT_USER\\";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::optional<std::uint32_t> ParseHexDigits(const std::string& digits, std::size_t maxLength) {
    if (digits.empty() || digits.size() > maxLength) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// "dword:0000000a" or "hex:0a,00,00,00".
std::optional<std::uint32_t> ParseData(const std::string& data) {
    std::string lowered = Lower(data);
    if (lowered.rfind("dword:", 0) == 0) return ParseHexDigits(lowered.substr(6), 8);
    if (lowered.rfind("hex:", 0) != 0) return std::nullopt;
    std::vector<std::uint32_t> bytes;
    std::stringstream list(lowered.substr(4));
    for (std::string item; std::getline(list, item, ',');) {
        auto byte = ParseHexDigits(Trim(item), 2);
        if (!byte) return std::nullopt;
        bytes.push_back(*byte);
    }
    if (bytes.size() != 4) return std::nullopt;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24;
}

}  // namespace

std::optional<std::uint32_t> FindRegDword(const std::string& text, const std::string& key, const std::string& name) {
    const std::string wantedSection = Lower(kCurrentUser + key);
    const std::string wantedName = Lower(name);
    std::istringstream lines(text);
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            inSection = line.back() == ']' && Lower(line.substr(1, line.size() - 2)) == wantedSection;
            continue;
        }
        if (!inSection || line.front() != '"') continue;
        std::size_t close = line.find('"', 1);
        if (close == std::string::npos || close + 1 >= line.size() || line[close + 1] != '=') continue;
        if (Lower(line.substr(1, close - 1)) != wantedName) continue;
        return ParseData(Trim(line.substr(close + 2)));
    }
    return std::nullopt;
}

}  // namespace mendora::platform

#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace mendora::platform {

// The string table as it is stored among the resources: one entry per line,
// "<id> TAB <language> TAB <text>", with \r, \n, \t and \\ escaped in the text.
// Empty lines and lines starting with '#' are skipped.
class StringTable {
public:
    static StringTable Parse(std::string_view source);

    // The text in the given language, else in English; nullptr when the id is absent.
    const std::string* Find(std::uint16_t id, std::uint16_t language) const;

private:
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::string> texts_;
};

}  // namespace mendora::platform

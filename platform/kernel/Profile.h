#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace mendora::platform {

// Sectioned settings files ("name=value" lines under "[section]" headers), read with the
// semantics of the host's profile functions: names compare without regard to case, the first
// section and the first key of a name win, a missing file, section or key gives the default.
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    // The names of the sections that hold keys, in file order, each once, as many as fit
    // into `bufferSize` bytes of zero-terminated names followed by one more zero.
    virtual std::vector<std::string> SectionNames(const std::string& path, std::size_t bufferSize) = 0;
    // The value, or `fallback`, cut to at most bufferSize - 1 characters.
    virtual std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                                  const std::string& fallback, std::size_t bufferSize) = 0;
    // The decimal number at the start of the value (an optional sign, then digits; 0 when
    // there is none), or `fallback` when the key is missing.
    virtual int GetInt(const std::string& path, const std::string& section, const std::string& key,
                       int fallback) = 0;
};

}  // namespace mendora::platform

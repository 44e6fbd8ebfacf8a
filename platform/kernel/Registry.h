#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::platform {

// The current user's registry, read only.
class Registry {
public:
    virtual ~Registry() = default;
    // The 4-byte value `name` under HKEY_CURRENT_USER\<key> as a little-endian number; empty
    // when the key or the value is missing or the value is not 4 bytes. Key and value names
    // compare without regard to case.
    virtual std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) = 0;
};

}  // namespace mendora::platform

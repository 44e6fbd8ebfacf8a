#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mendora::platform {

inline constexpr std::uint16_t kLangEnglish = 1033;
inline constexpr std::uint16_t kLangTraditionalChinese = 1028;
inline constexpr std::uint16_t kLangSimplifiedChinese = 2052;

// One resource compiled into the executable.
struct ResourceEntry {
    const char* type;
    std::uint16_t id;
    std::uint16_t language;
    const std::uint8_t* data;
    std::size_t size;
};

// The resources of the running executable.
class Resources {
public:
    virtual ~Resources() = default;
    // The bytes of a resource by type and numeric id, whatever its language.
    virtual std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                              std::uint16_t id) = 0;
    // A string-table entry in the user's language, cut to fit a buffer of bufferSize
    // bytes with its terminator; empty when there is no such entry.
    virtual std::string LoadString(std::uint16_t id, std::size_t bufferSize) = 0;
};

}  // namespace mendora::platform

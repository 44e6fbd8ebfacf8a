#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// A controller firmware image: 64 KiB of code and tables with its version text inside.
namespace mendora::firmware {

inline constexpr std::size_t kImageSize = 65536;
inline constexpr std::size_t kVersionOffset = 0xEFF2;
inline constexpr std::size_t kVersionSize = 6;

static_assert(kVersionOffset + kVersionSize <= kImageSize);

// The version text of an image of kImageSize bytes.
inline std::string_view VersionOf(const std::uint8_t* image) {
    return {reinterpret_cast<const char*>(image) + kVersionOffset, kVersionSize};
}

}  // namespace mendora::firmware

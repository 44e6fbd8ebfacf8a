#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A controller firmware image: 64 KiB of code and tables with its version text inside.
//
//   0040h  4 bytes  controller the image is made for: "QF" and the chip id's low byte in
//                   two upper-case hex digits ("QF70" for chip 0070h, "QF90" for 0090h);
//                   any other bytes name no controller
//   EFF0h  2 bytes  "FW"
//   EFF2h  6 bytes  version text, e.g. "Q90120"
namespace mendora::firmware {

inline constexpr std::size_t kImageSize = 65536;
inline constexpr std::size_t kVersionOffset = 0xEFF2;
inline constexpr std::size_t kVersionSize = 6;
inline constexpr std::size_t kControllerOffset = 0x40;
inline constexpr std::size_t kControllerSize = 4;

static_assert(kVersionOffset + kVersionSize <= kImageSize);

// The version text of an image of kImageSize bytes.
inline std::string_view VersionOf(const std::uint8_t* image) {
    return {reinterpret_cast<const char*>(image) + kVersionOffset, kVersionSize};
}

// The controller tag for a chip id ("QF90"); chip ids above 00FFh have none (empty).
inline std::string ControllerTag(std::uint16_t chipId) {
    if (chipId > 0xFF) return {};
    constexpr char kHex[] = "0123456789ABCDEF";
    return {'Q', 'F', kHex[chipId >> 4], kHex[chipId & 0xF]};
}

// The chip id the image of kImageSize bytes is made for; empty when it names none.
inline std::optional<std::uint16_t> ControllerOf(const std::uint8_t* image) {
    const std::uint8_t* tag = image + kControllerOffset;
    if (tag[0] != 'Q' || tag[1] != 'F') return std::nullopt;
    auto digit = [](std::uint8_t c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    int high = digit(tag[2]), low = digit(tag[3]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<std::uint16_t>(high << 4 | low);
}

}  // namespace mendora::firmware

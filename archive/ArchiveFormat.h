#pragma once
#include <cstddef>
#include <string_view>

namespace mendora {

// An archive is a plain run of entries: name, separator, 32-bit little-endian member
// length, member (one gzip stream). There is no header, count or trailer.
inline constexpr std::string_view kEntrySeparator{" \\~#$&* ", 8};
inline constexpr std::size_t kLengthFieldSize = 4;
// Member bytes move between the archive and the scratch file in chunks of this size.
inline constexpr std::size_t kMemberChunk = 100;

}  // namespace mendora

#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace mendora::genfiles {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kLoaderSize = 1052;
inline constexpr std::size_t kDualImageSize = 131072;

// A 1052-byte boot loader block: a 28-byte header and 1024 bytes of code.
Bytes MakeLoaderBlock(std::string_view name);

// A 64 KiB firmware image carrying `version` (6 characters) at its version offset and,
// when given, the tag of the controller `chipId` it is made for.
Bytes MakeFirmwareImage(std::string_view name, std::string_view version,
                        std::optional<std::uint16_t> chipId = std::nullopt);

// A 128 KiB image of two firmware banks; the first carries `version`.
Bytes MakeDualImage(std::string_view name, std::string_view version);

// A revert image whose RAM image is valid for `model`.
Bytes MakeRevertImage(std::string_view name, std::uint16_t model, std::uint16_t version);

}  // namespace mendora::genfiles

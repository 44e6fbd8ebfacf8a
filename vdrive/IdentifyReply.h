#pragma once
#include "protocol/IdentifyReply.h"
#include "vdrive/DriveSetup.h"

// The identification reply as the virtual controller gives it.
namespace mendora::vdrive {

inline constexpr std::uint8_t kIdentifyOpcode = identify::kOpcode;
inline constexpr std::size_t kIdentifyReplySize = identify::kReplySize;
inline constexpr auto kIdentifyCdb = identify::kCdb;
using IdentifyAnswer = identify::Answer;

inline std::array<std::uint8_t, kIdentifyReplySize> EncodeIdentify(const Identity& identity, const Geometry& geometry) {
    return identify::Encode(identity, geometry);
}
inline std::optional<IdentifyAnswer> DecodeIdentify(std::span<const std::uint8_t> reply) {
    return identify::Decode(reply);
}

}  // namespace mendora::vdrive

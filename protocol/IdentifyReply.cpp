#include "protocol/IdentifyReply.h"

#include <algorithm>
#include <cstring>

namespace mendora::identify {

namespace {

constexpr char kMagic[4] = {'Q', 'F', 'I', 'D'};
constexpr std::uint8_t kLayoutVersion = 1;

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::array<std::uint8_t, kReplySize> Encode(const Controller& id, const Geometry& g) {
    std::array<std::uint8_t, kReplySize> r{};
    std::memcpy(r.data(), kMagic, 4);
    r[4] = kLayoutVersion;
    r[5] = id.chipVersion;
    Put16(&r[6], id.chipId);
    std::memcpy(&r[8], id.flashId, 5);
    r[13] = id.attribute;
    r[14] = id.zoneBank;
    r[15] = static_cast<std::uint8_t>(g.chipEnables);
    r[16] = id.a1Version;
    r[17] = id.firmwareVersion.has_value();
    Put16(&r[18], id.redundantSymbol);
    Put16(&r[20], g.zones);
    Put16(&r[22], g.blocksPerZone);
    Put16(&r[24], g.pagesPerBlock);
    Put16(&r[26], g.sectorsPerPage);
    Put32(&r[28], g.BlocksPerChip());
    if (id.firmwareVersion) std::memcpy(&r[32], id.firmwareVersion->data(), std::min<std::size_t>(6, id.firmwareVersion->size()));
    return r;
}

std::optional<Answer> Decode(std::span<const std::uint8_t> r) {
    if (r.size() < kReplySize || std::memcmp(r.data(), kMagic, 4) != 0 || r[4] != kLayoutVersion) return std::nullopt;
    Answer a;
    a.identity.chipVersion = r[5];
    a.identity.chipId = Get16(&r[6]);
    std::memcpy(a.identity.flashId, &r[8], 5);
    a.identity.attribute = r[13];
    a.identity.zoneBank = r[14];
    a.geometry.chipEnables = r[15];
    a.identity.a1Version = r[16];
    a.identity.redundantSymbol = Get16(&r[18]);
    a.geometry.zones = Get16(&r[20]);
    a.geometry.blocksPerZone = Get16(&r[22]);
    a.geometry.pagesPerBlock = Get16(&r[24]);
    a.geometry.sectorsPerPage = Get16(&r[26]);
    if (r[17]) {
        std::string text(reinterpret_cast<const char*>(&r[32]), 6);
        text.resize(std::strlen(text.c_str()));
        a.identity.firmwareVersion = text;
    }
    return a;
}

}  // namespace mendora::identify

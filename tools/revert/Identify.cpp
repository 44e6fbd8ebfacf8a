#include "tools/revert/Identify.h"

#include <array>
#include <algorithm>

#include "vdrive/IdentifyReply.h"

namespace mendora::revert_tool {

std::string IdentifyDrive(platform::ScsiTransport& drive, char letter, LibraryAnswers* a) {
    std::array<std::uint8_t, vdrive::kIdentifyReplySize> reply{};
    platform::ScsiResult r = drive.Execute({vdrive::kIdentifyCdb, platform::DataDirection::In, reply, 10, 24});
    if (!r.TransportOk() || r.scsiStatus != 0) return "the drive does not answer the identification command";
    auto answer = vdrive::DecodeIdentify(std::span(reply).first(r.bytesMoved));
    if (!answer) return "the drive's identification cannot be read";
    const vdrive::Identity& id = answer->identity;
    const vdrive::Geometry& g = answer->geometry;
    if (g.SectorsPerBlock() > 0xFFFF || g.pagesPerBlock > 0xFFFF || g.blocksPerZone > 0xFFFF || g.zones > 0xFFFF ||
        g.chipEnables > 0xFF)
        return "the drive's geometry does not fit the library's answers";
    *a = LibraryAnswers{};
    a->driveLetter = letter;
    std::copy_n(id.flashId, 5, a->chipId);
    a->model = static_cast<std::uint8_t>(id.chipId);
    a->attribute = id.attribute;
    a->zoneBank = id.zoneBank;
    a->chipCount = static_cast<std::uint8_t>(g.chipEnables);
    a->maxSectors = static_cast<std::uint16_t>(g.pagesPerBlock);
    a->maxLogSectors = static_cast<std::uint16_t>(g.SectorsPerBlock());
    a->maxBlocks = static_cast<std::uint16_t>(g.blocksPerZone);
    a->maxZones = static_cast<std::uint16_t>(g.zones);
    a->a1Version = id.a1Version;
    a->redundantSymbol = static_cast<std::uint8_t>(id.redundantSymbol);
    return {};
}

}  // namespace mendora::revert_tool

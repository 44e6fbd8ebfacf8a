#include "vdrive/ImageLayout.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace mendora::vdrive {

namespace {

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t to) { return (value + to - 1) / to * to; }

void CopyText(char* field, std::size_t width, const std::string& text, char pad) {
    std::memset(field, pad, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string TextOf(const char* field, std::size_t width) {
    std::string text(field, width);
    while (!text.empty() && (text.back() == '\0')) text.pop_back();
    return text;
}

std::uint32_t BucketCountFor(std::uint64_t pages) {
    std::uint32_t count = 1024;
    while (count < (1u << 18) && count < pages / 16) count <<= 1;
    return count;
}

}  // namespace

format::Header LayoutHeader(const DriveSetup& setup) {
    const Identity& id = setup.identity;
    const Geometry& g = setup.geometry;
    format::Header h{};
    std::memcpy(h.magic, format::kMagic, sizeof h.magic);
    h.version = setup.lies.Any() ? format::kVersion : format::kPlainVersion;
    if (setup.lies.Any()) {
        h.announcedSectors = setup.lies.announcedSectors;
        h.lostSectors = setup.lies.lostSectors;
        h.lostSeed = setup.lies.lostSeed;
    }
    h.chipId = id.chipId;
    h.chipVersion = id.chipVersion;
    h.attribute = id.attribute;
    std::memcpy(h.flashId, id.flashId, sizeof h.flashId);
    h.zoneBank = id.zoneBank;
    h.a1Version = id.a1Version;
    h.hasFirmware = id.firmwareVersion.has_value();
    h.redundantSymbol = id.redundantSymbol;
    CopyText(h.firmwareVersion, sizeof h.firmwareVersion, id.firmwareVersion.value_or(""), '\0');
    CopyText(h.inquiryVendor, sizeof h.inquiryVendor, id.inquiryVendor, ' ');
    CopyText(h.inquiryProduct, sizeof h.inquiryProduct, id.inquiryProduct, ' ');
    h.chipEnables = g.chipEnables;
    h.zones = g.zones;
    h.blocksPerZone = g.blocksPerZone;
    h.pagesPerBlock = g.pagesPerBlock;
    h.sectorsPerPage = g.sectorsPerPage;
    h.speedModel = static_cast<std::uint32_t>(setup.speed);
    h.bucketCount = BucketCountFor(g.TotalPages());
    h.blockTableOffset = format::kTablesOffset;
    h.pageTableOffset = AlignUp(h.blockTableOffset + g.TotalBlocks() * sizeof(format::BlockRecord), 4096);
    h.bucketOffset = AlignUp(h.pageTableOffset + g.TotalPages() * sizeof(format::PageRecord), 4096);
    h.firmwareOffset = AlignUp(h.bucketOffset + std::uint64_t{h.bucketCount} * 4, 4096);
    h.diskTableOffset = h.firmwareOffset + format::kFirmwareBytes;
    h.storeOffset = AlignUp(h.diskTableOffset + g.TotalPages() * sizeof(std::uint32_t), 4096);
    h.slotBytes = static_cast<std::uint32_t>(sizeof(format::SlotMeta) + g.PageBytes());
    h.crc = HeaderCrc(h);
    return h;
}

std::uint32_t HeaderCrc(const format::Header& header) {
    format::Header copy = header;
    copy.crc = 0;
    const std::size_t covered = header.version >= format::kVersion ? sizeof copy : format::kPlainHeaderBytes;
    return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(&copy), static_cast<uInt>(covered)));
}

Identity IdentityOf(const format::Header& h) {
    Identity id;
    id.chipId = h.chipId;
    id.chipVersion = h.chipVersion;
    std::memcpy(id.flashId, h.flashId, sizeof id.flashId);
    id.attribute = h.attribute;
    id.zoneBank = h.zoneBank;
    id.a1Version = h.a1Version;
    id.redundantSymbol = h.redundantSymbol;
    if (h.hasFirmware) id.firmwareVersion = TextOf(h.firmwareVersion, sizeof h.firmwareVersion);
    id.inquiryVendor = std::string(h.inquiryVendor, sizeof h.inquiryVendor);
    id.inquiryProduct = std::string(h.inquiryProduct, sizeof h.inquiryProduct);
    return id;
}

Lies LiesOf(const format::Header& h) {
    if (h.version < format::kVersion) return Lies{};
    return Lies{h.announcedSectors, h.lostSectors, h.lostSeed};
}

Geometry GeometryOf(const format::Header& h) {
    return Geometry{h.chipEnables, h.zones, h.blocksPerZone, h.pagesPerBlock, h.sectorsPerPage};
}

}  // namespace mendora::vdrive

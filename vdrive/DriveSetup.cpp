#include "vdrive/DriveSetup.h"

namespace mendora::vdrive {

namespace {

bool Within(std::uint32_t value, std::uint32_t low, std::uint32_t high) {
    return value >= low && value <= high;
}

std::string CheckGeometry(const Geometry& g) {
    if (!Within(g.chipEnables, 1, 4)) return "chip-enables must be 1 to 4";
    if (!Within(g.sectorsPerPage, 1, 64)) return "sectors per page must be 1 to 64";
    if (!Within(g.pagesPerBlock, 1, 1024)) return "pages per block must be 1 to 1024";
    if (!Within(g.zones, 1, 1024) || !Within(g.blocksPerZone, 1, 65536))
        return "zones and blocks per zone must be positive";
    // The parameter block carries blocks per chip in 16 bits.
    if (std::uint64_t{g.zones} * g.blocksPerZone > 65535) return "at most 65535 blocks per chip";
    if (std::uint64_t{g.BlocksPerChip()} * g.SectorsPerBlock() > 0xFFFFFFFFull)
        return "a chip must fit into 32-bit sector addresses";
    if (g.TotalPages() > (1ull << 26)) return "too many pages for one image";
    return {};
}

}  // namespace

std::string CheckSetup(const DriveSetup& setup) {
    if (std::string why = CheckGeometry(setup.geometry); !why.empty()) return why;
    const Identity& id = setup.identity;
    if (id.firmwareVersion && id.firmwareVersion->size() > 6)
        return "the firmware version has at most 6 characters";
    if (id.inquiryVendor.size() > 8) return "the INQUIRY vendor has at most 8 characters";
    if (id.inquiryProduct.size() > 16) return "the INQUIRY product has at most 16 characters";
    const Plantings& p = setup.plantings;
    if (std::uint64_t{p.factoryBad} + p.grownBad + p.weak > setup.geometry.TotalBlocks())
        return "more planted blocks than the flash has";
    const Lies& lies = setup.lies;
    // READ CAPACITY(10) tells the last sector in 32 bits.
    if (lies.announcedSectors > 0x100000000ull) return "at most 2 TiB announced";
    if (lies.lostSectors > kMostLostSectors) return "at most " + std::to_string(kMostLostSectors) + " lost sectors";
    return {};
}

}  // namespace mendora::vdrive

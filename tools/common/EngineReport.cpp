#include "tools/common/EngineReport.h"

#include "flash/RevertEngine.h"
#include "tools/common/BlockMap.h"

namespace mendora::tools {

std::string BadBlockWhy(std::uint8_t mapEntry, std::uint8_t reason) {
    if (mapEntry == 2) return "mark did not stick";
    switch (reason) {
        case bad_block_reason::kFactoryMark: return "factory mark";
        case bad_block_reason::kFailedErase: return "failed erase";
        case bad_block_reason::kFailedPattern: return "failed pattern";
        default: return mapEntry != 0 ? "failed pattern" : "";
    }
}

namespace {

template <typename Visit>
void ForEachBad(const EngineBlocks& b, Visit visit) {
    for (std::size_t i = 0; i < b.map.size() && b.blocksPerChip != 0; ++i) {
        std::string why = BadBlockWhy(b.map[i], i < b.reasons.size() ? b.reasons[i] : 0);
        if (!why.empty())
            visit(static_cast<std::uint32_t>(i / b.blocksPerChip), static_cast<std::uint32_t>(i % b.blocksPerChip), why);
    }
}

}  // namespace

nlohmann::json BadBlockList(const EngineBlocks& blocks) {
    nlohmann::json list = nlohmann::json::array();
    ForEachBad(blocks, [&](std::uint32_t chip, std::uint32_t block, const std::string& why) {
        list.push_back({{"chip", chip}, {"block", block}, {"why", why}});
    });
    return list;
}

nlohmann::json GeometryJson(const FlashGeometry& g) {
    return {{"chips", g.chipcnt},
            {"zones", g.maxZones},
            {"blocks_per_zone", g.maxBlocks},
            {"blocks_per_chip", g.BlocksPerChip},
            {"pages_per_block", g.PagesPerBlock},
            {"sectors_per_page", g.SectorsPerPage},
            {"sectors_per_block", g.SectorsPerBlocks},
            {"mlc", g.MLC != 0},
            {"capacity_bytes", std::uint64_t{g.chipcnt} * g.BlocksPerChip * g.SectorsPerBlocks * 512}};
}

bool WriteEngineMap(const std::string& path, const EngineBlocks& b, std::string* error,
                    const std::vector<std::uint64_t>& lostDiskBlocks) {
    if (b.chips == 0 || b.blocksPerChip == 0) {
        *error = "no bad-block map to draw";
        return false;
    }
    vdrive::Geometry geometry{};
    geometry.chipEnables = b.chips;
    geometry.zones = 1;
    geometry.blocksPerZone = b.blocksPerChip;
    std::vector<vdrive::BlockStatus> cells;
    cells.reserve(std::size_t{b.chips} * b.blocksPerChip);
    for (std::uint32_t chip = 0; chip < b.chips; ++chip)
        for (std::uint32_t block = 0; block < b.blocksPerChip; ++block) cells.push_back({chip, block});
    ForEachBad(b, [&](std::uint32_t chip, std::uint32_t block, const std::string& why) {
        vdrive::BlockStatus& cell = cells[std::size_t{chip} * b.blocksPerChip + block];
        using vdrive::format::BlockKind;
        if (why == "factory mark") cell.kind = BlockKind::FactoryBad;
        else if (why == "mark did not stick") cell.kind = BlockKind::GrownBad;
        else cell.marked = true;
    });
    std::vector<std::size_t> good;
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i].kind == vdrive::format::BlockKind::Good && !cells[i].marked) good.push_back(i);
    for (std::uint64_t diskBlock : lostDiskBlocks)
        if (diskBlock < good.size()) cells[good[diskBlock]].kind = vdrive::format::BlockKind::Weak;
    return WriteBlockMap(path, geometry, cells, error);
}

}  // namespace mendora::tools

#include "console/EngineReport.h"

#include "flash/RevertEngine.h"

namespace mendora {

EngineBlocks EngineBlocksOf(RevertEngine& engine, const FlashGeometry& geometry) {
    return {geometry.chipcnt, geometry.BlocksPerChip, engine.BadBlockMap(), engine.BadBlockReasons()};
}

std::string BadBlockWhy(std::uint8_t mapEntry, std::uint8_t reason) {
    if (mapEntry == 2) return "mark did not stick";
    switch (reason) {
        case bad_block_reason::kFactoryMark: return "factory mark";
        case bad_block_reason::kFailedErase: return "failed erase";
        case bad_block_reason::kFailedPattern: return "failed pattern";
        default: return mapEntry != 0 ? "failed pattern" : "";
    }
}

nlohmann::json BadBlockList(const EngineBlocks& blocks) {
    nlohmann::json list = nlohmann::json::array();
    ForEachBadBlock(blocks, [&](std::uint32_t chip, std::uint32_t block, const std::string& why) {
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

}  // namespace mendora

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "flash/RevertRecords.h"

namespace mendora {

class RevertEngine;

// What a revert engine leaves behind about the blocks it found bad: its bad-block map
// (1 found bad by the pattern test, 2 its mark did not read back in the blank check) and
// the reason it noted for each block.
struct EngineBlocks {
    std::uint32_t chips = 0;
    std::uint32_t blocksPerChip = 0;
    std::vector<std::uint8_t> map;
    std::vector<std::uint8_t> reasons;
};

// The engine's map and reasons once its passes are over, with the geometry it ran over.
EngineBlocks EngineBlocksOf(RevertEngine& engine, const FlashGeometry& geometry);

// Why a block is listed: "factory mark", "failed pattern", "failed erase", "mark did not
// stick"; empty for a block the engine holds good.
std::string BadBlockWhy(std::uint8_t mapEntry, std::uint8_t reason);

// Calls visit(chip, block, why) for every block listed bad, in chip and block order.
template <typename Visit>
void ForEachBadBlock(const EngineBlocks& b, Visit visit) {
    for (std::size_t i = 0; i < b.map.size() && b.blocksPerChip != 0; ++i) {
        const std::string why = BadBlockWhy(b.map[i], i < b.reasons.size() ? b.reasons[i] : 0);
        if (!why.empty())
            visit(static_cast<std::uint32_t>(i / b.blocksPerChip), static_cast<std::uint32_t>(i % b.blocksPerChip), why);
    }
}

// [{"chip": c, "block": b, "why": "..."}, ...] in chip and block order.
nlohmann::json BadBlockList(const EngineBlocks& blocks);

// The drive's geometry as the engine was given it.
nlohmann::json GeometryJson(const FlashGeometry& geometry);

}  // namespace mendora

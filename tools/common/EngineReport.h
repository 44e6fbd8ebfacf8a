#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "flash/RevertRecords.h"

namespace mendora::tools {

// What a revert engine leaves behind about the blocks it found bad: its bad-block map
// (1 found bad by the pattern test, 2 its mark did not read back in the blank check) and
// the reason it noted for each block.
struct EngineBlocks {
    std::uint32_t chips = 0;
    std::uint32_t blocksPerChip = 0;
    std::vector<std::uint8_t> map;
    std::vector<std::uint8_t> reasons;
};

// Why a block is listed: "factory mark", "failed pattern", "failed erase", "mark did not
// stick"; empty for a block the engine holds good.
std::string BadBlockWhy(std::uint8_t mapEntry, std::uint8_t reason);

// [{"chip": c, "block": b, "why": "..."}, ...] in chip and block order.
nlohmann::json BadBlockList(const EngineBlocks& blocks);

// The drive's geometry as the engine was given it.
nlohmann::json GeometryJson(const FlashGeometry& geometry);

// A PNG of the engine's map, drawn as mendora-vdrive draws a drive: good blocks green,
// failed pattern red, factory marks black, marks that did not stick orange; yellow, the
// good blocks under `lostDiskBlocks`, blocks of the formatted disk (sector / sectors per
// block) where a certify found data lost: the disk lies over the good blocks in order.
bool WriteEngineMap(const std::string& path, const EngineBlocks& blocks, std::string* error,
                    const std::vector<std::uint64_t>& lostDiskBlocks = {});

}  // namespace mendora::tools

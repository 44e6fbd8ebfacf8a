#include "tools/common/EngineMap.h"

#include "tools/common/BlockMap.h"

namespace mendora::tools {

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
    ForEachBadBlock(b, [&](std::uint32_t chip, std::uint32_t block, const std::string& why) {
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

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "console/EngineReport.h"

namespace mendora::tools {

// A PNG of the engine's map, drawn as mendora-vdrive draws a drive: good blocks green,
// failed pattern red, factory marks black, marks that did not stick orange; yellow, the
// good blocks under `lostDiskBlocks`, blocks of the formatted disk (sector / sectors per
// block) where a certify found data lost: the disk lies over the good blocks in order.
bool WriteEngineMap(const std::string& path, const EngineBlocks& blocks, std::string* error,
                    const std::vector<std::uint64_t>& lostDiskBlocks = {});

}  // namespace mendora::tools

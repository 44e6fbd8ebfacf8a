#pragma once
#include <string>
#include <vector>

#include "vdrive/VirtualDrive.h"

namespace mendora::tools {

// Writes a PNG with one cell per block and one row band per chip: good blocks green,
// marked red, factory-bad black, weak yellow, grown-bad orange.
bool WriteBlockMap(const std::string& path, const vdrive::Geometry& geometry,
                   const std::vector<vdrive::BlockStatus>& blocks, std::string* error);

}  // namespace mendora::tools

#pragma once
#include <cstdint>

#include "vdrive/DriveSetup.h"
#include "vdrive/ImageFormat.h"

namespace mendora::vdrive {

// The header of a new image for a setup: identity, geometry and section offsets.
format::Header LayoutHeader(const DriveSetup& setup);

// The header's CRC-32 (computed with its crc field zero).
std::uint32_t HeaderCrc(const format::Header& header);

// The header's identity and geometry as the types the rest of the drive uses.
Identity IdentityOf(const format::Header& header);
Geometry GeometryOf(const format::Header& header);
// How the drive lies; nothing for a version 2 image.
Lies LiesOf(const format::Header& header);

}  // namespace mendora::vdrive

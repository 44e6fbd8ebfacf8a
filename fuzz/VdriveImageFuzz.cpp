// A virtual drive image of arbitrary bytes opened and described, as `mendora-vdrive info`
// does. The header's checksum is made to match so that the checks behind it are reached.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "vdrive/ImageLayout.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::fuzz::vdrive_image {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    std::string image = AsString(data, size);
    if (image.size() >= sizeof(vdrive::format::Header)) {
        vdrive::format::Header header;
        std::memcpy(&header, image.data(), sizeof header);
        header.crc = vdrive::HeaderCrc(header);
        std::memcpy(image.data(), &header, sizeof header);
    }
    const std::string path = FreshDirectory("vdrive") + "/drive.img";
    testing::WriteBytes(path, image);

    std::string error;
    auto drive = vdrive::VirtualDrive::Open(path, &error);
    if (!drive) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    auto info = drive->Info(&error);
    if (info) {
        const vdrive::Geometry& g = info->geometry;
        FUZZ_CHECK(std::uint64_t{info->factoryBad} + info->grownBad + info->weak <= g.TotalBlocks());
        FUZZ_CHECK(info->marked.size() <= g.TotalBlocks());
        FUZZ_CHECK(!info->diskReady || info->capacitySectors <= g.TotalPages() * g.sectorsPerPage);
    }
    return 0;
}

}  // namespace mendora::fuzz::vdrive_image

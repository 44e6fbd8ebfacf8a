#pragma once
#include <cstdint>

#include "vdrive/ImageFile.h"
#include "vdrive/LogicalDisk.h"

namespace mendora::vdrive {

// The disk as READ CAPACITY, READ(10) and WRITE(10) see it: the disk held, or the larger one
// a lying drive announces. An announced sector lands at its address modulo the flash's
// power of two (the address bits above the flash are ignored), on the disk held when below
// its size, else nowhere: writes there are lost and reads give zeros. A lost sector keeps
// what it held. Needs the image locked.
class AnnouncedDisk {
public:
    explicit AnnouncedDisk(ImageFile& image);

    bool Ready() { return disk_.Ready(); }
    std::uint64_t Sectors() const { return announced_; }

    // Both need a ready disk and sectors within the announced ones; Write is false when
    // the image has no room left.
    void Read(std::uint64_t firstSector, std::uint32_t count, std::uint8_t* out);
    bool Write(std::uint64_t firstSector, std::uint32_t count, const std::uint8_t* data);

private:
    // Calls land(held sector or -1 for nowhere, sectors, offset into the command's data)
    // for each run of the command's sectors that lands in one place; stops at a false.
    template <typename Land>
    bool ForEachRun(std::uint64_t firstSector, std::uint32_t count, Land land);
    bool WriteKeepingLost(std::uint64_t heldSector, std::uint32_t count, const std::uint8_t* data);

    ImageFile& image_;
    LogicalDisk disk_;
    std::uint64_t held_ = 0;       // sectors the disk holds
    std::uint64_t announced_ = 0;  // sectors READ CAPACITY tells
    std::uint64_t module_ = 0;     // addresses wrap around at this power of two
};

}  // namespace mendora::vdrive

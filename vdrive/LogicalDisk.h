#pragma once
#include <cstdint>

#include "vdrive/ImageFile.h"
#include "vdrive/PageStore.h"

namespace mendora::vdrive {

// The disk the host sees once a low-level format has built it: 512-byte sectors, as many
// as the good (unmarked) blocks hold, kept per logical page in the page store beside the
// flash. Sectors never written read as zeros. Needs the image locked.
class LogicalDisk {
public:
    explicit LogicalDisk(ImageFile& image) : image_(image), store_(image) {}

    bool Ready() { return image_.state().diskReady != 0; }
    std::uint64_t Sectors() { return image_.state().diskSectors; }

    // Builds an empty disk over the blocks whose bad-block marks are clear; returns its
    // capacity in sectors.
    std::uint64_t Format();
    // Forgets the disk and its contents: not ready until the next format.
    void Lose();

    // Both need a ready disk and sectors within it; Write is false when the disk is full.
    void Read(std::uint64_t firstSector, std::uint32_t count, std::uint8_t* out);
    bool Write(std::uint64_t firstSector, std::uint32_t count, const std::uint8_t* data);

private:
    ImageFile& image_;
    PageStore store_;
};

}  // namespace mendora::vdrive

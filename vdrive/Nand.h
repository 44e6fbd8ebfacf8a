#pragma once
#include <array>
#include <cstdint>

#include "vdrive/SpeedModel.h"
#include "vdrive/ImageFile.h"
#include "vdrive/PageStore.h"

namespace mendora::vdrive {

// What programming a page came to: done, refused by the block (factory bad), or not done
// because the host's disk had no room for the page's bytes.
enum class Programmed { Done, Refused, NoRoom };

// A place in the flash of one chip-enable.
struct PageAddress {
    std::uint32_t chip = 0;
    std::uint32_t block = 0;
    std::uint32_t page = 0;
};

// The flash chips: blocks that erase, pages that program (bits only go from 1 to 0, as on
// real NAND) and read back, with the faults planted in the block table. Needs the image
// locked. Bad-block marks, as the controller sees them, live in spare bytes 4 and 5.
class Nand {
public:
    explicit Nand(ImageFile& image) : image_(image), store_(image) {}

    // False when the block no longer erases (grown bad); its pages then stay as they were.
    bool Erase(std::uint32_t chip, std::uint32_t block);
    // Programs `count` sectors from `firstSector` of a page with four user spare bytes and
    // the page's own number. Nothing changes unless it is done.
    Programmed Program(const PageAddress& at, std::uint32_t firstSector, std::uint32_t count,
                       const std::uint8_t* data, const std::uint8_t user[4]);
    // Reads sectors of a page; a weak block returns its flipped bits, a grown-bad one 255
    // flipped bits per sector.
    void Read(const PageAddress& at, std::uint32_t firstSector, std::uint32_t count, std::uint8_t* out);
    // The page's 16 spare bytes: 0-2 page number (little-endian), 3-6 the user bytes, FFh else.
    std::array<std::uint8_t, 16> Spare(const PageAddress& at);
    // The highest number of flipped bits any sector of the block reads back with: FFh for
    // a factory-bad block, and for a grown-bad one once it holds data.
    std::uint8_t WorstFlippedBits(std::uint32_t chip, std::uint32_t block);
    // Whether the block's first or last page carries a bad-block mark.
    bool IsMarked(std::uint32_t chip, std::uint32_t block);
    // What this object has asked of the flash so far.
    const FlashWork& work() const { return work_; }

private:
    std::uint32_t PageNumber(const PageAddress& at) const;

    ImageFile& image_;
    PageStore store_;
    FlashWork work_;
};

// A bad-block mark pair: any zero nibble in spare bytes 4 and 5.
bool IsBadMarkPair(std::uint8_t byte4, std::uint8_t byte5);

}  // namespace mendora::vdrive

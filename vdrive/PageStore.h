#pragma once
#include <cstdint>

#include "vdrive/ImageFile.h"

namespace mendora::vdrive {

// Page contents stored once however many pages hold them, counted by reference.
// All calls need the image locked.
class PageStore {
public:
    explicit PageStore(ImageFile& image) : image_(image) {}

    // The slot holding these page bytes (one more reference to it); 0 when the disk is full.
    std::uint32_t Intern(const std::uint8_t* content);
    void Release(std::uint32_t slot);
    // The stored bytes, or nullptr for a slot that does not hold any.
    const std::uint8_t* Content(std::uint32_t slot);

private:
    bool Holds(std::uint32_t slot, const std::uint8_t* content);
    std::uint32_t FindEqual(std::uint64_t hash, const std::uint8_t* content);
    std::uint32_t Allocate();
    void Unlink(std::uint32_t slot, std::uint64_t hash);

    ImageFile& image_;
};

// A 64-bit hash of a page (its length a multiple of 32 bytes).
std::uint64_t HashPage(const std::uint8_t* content, std::size_t length);

}  // namespace mendora::vdrive

#include <algorithm>
#include <cstring>

#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"

namespace mendora {

namespace {

constexpr std::uint8_t kExcludedIdA[5] = {0x45, 0xC5, 0x95, 0xA5, 0xEA};
constexpr std::uint8_t kExcludedIdB[5] = {0x45, 0xC5, 0x95, 0xE5, 0xEA};
constexpr std::uint8_t kNoEraseId[5] = {0x45, 0xC5, 0x85, 0xBA, 0xF4};

}  // namespace

// Two flashes whose blocks 1032h-1FFFh and from 3400h on do not exist.
bool RevertEngine::IsExcludedBlock(std::uint32_t block) const {
    if (std::memcmp(geo_.chipid, kExcludedIdA, 5) != 0 && std::memcmp(geo_.chipid, kExcludedIdB, 5) != 0)
        return false;
    return (block >= 0x1032 && block <= 0x1FFF) || block >= 0x3400;
}

// A flash that is erased block by block just before it is written, never in an erase pass.
bool RevertEngine::NoEraseFlash() const { return std::memcmp(geo_.chipid, kNoEraseId, 5) == 0; }

// The block operations do nothing on an engine whose drive or buffers are missing.
bool RevertEngine::CanSend() const { return drive_ != nullptr && buffersPresent_; }

bool RevertEngine::FlashPresent() {
    if (!CanSend()) return false;
    std::uint8_t reply[8] = {};
    return ScsiDevice::ResetFlash(*drive_, reply, 1, 0xFF, 0) != 0 && reply[1] != 0;
}

std::uint32_t RevertEngine::SelectInterleave() {
    constexpr std::uint32_t kChipsPerStep[] = {1, 2, 4};
    std::uint8_t index = options_.InterleaveIndex;
    std::uint32_t chips = std::min(index < 3 ? kChipsPerStep[index] : 1, chipCount_);
    mask_ = 0;
    for (std::uint32_t i = 0; i < std::max(chips, 1u); ++i) mask_ = static_cast<std::uint8_t>(mask_ | 1u << (2 * i));
    return chips;
}

void RevertEngine::ShiftMask(std::uint32_t chips) {
    for (std::uint32_t i = 0; i < chips; ++i) mask_ = static_cast<std::uint8_t>(mask_ << 2);
}

void RevertEngine::SetTwoPlane(std::uint8_t on) {
    if (planes_ > 1 && CanSend()) ScsiDevice::SetInterleave(*drive_, 0, 0, on);
}

bool RevertEngine::StopRequested() const { return geo_.Stop.load(std::memory_order_relaxed) != 0; }

std::uint8_t RevertEngine::Stopped() {
    geo_.Status.store(revert_status::kUserBreak, std::memory_order_relaxed);
    return revert_status::kUserBreak;
}

// The count the console shows never falls below what the previous phase found.
void RevertEngine::ShowCount() {
    if (badCount_ >= previousCount_) geo_.BadBlockCount.store(badCount_, std::memory_order_relaxed);
}

bool RevertEngine::PageListActive() const { return options_.PageListMode != 0 && options_.PageListCount != 0; }

// Sectors of one block that a test writes and compares.
std::uint32_t RevertEngine::SectorsPerBlockTest() const {
    return PageListActive() ? std::uint32_t{options_.PageListCount} * sectorsPerPage_ : sectorsPerBlock_;
}

std::uint32_t RevertEngine::PatternBufferSectors() const { return static_cast<std::uint32_t>(pattern_.size() / 512); }

}  // namespace mendora

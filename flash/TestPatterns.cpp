#include <algorithm>
#include <new>

#include "flash/RevertEngine.h"

namespace mendora {

namespace {

constexpr std::size_t kRingSize = 9689;
constexpr std::size_t kInvertBytes = 65536;

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

void RevertEngine::FillPattern(std::uint8_t invert) {
    std::uint8_t* p = pattern_.data();
    const std::size_t length = pattern_.size();
    if (invert != 0) {
        geo_.PatternCode.store(5, std::memory_order_relaxed);
        // Only the first chunk's worth is inverted; the rest of a larger block keeps its bytes.
        for (std::size_t at = 0; at + 4 <= std::min(length, kInvertBytes); at += 4) PutLe32(p + at, ~GetLe32(p + at));
        return;
    }
    geo_.PatternCode.store(patternMode_, std::memory_order_relaxed);
    switch (patternMode_) {
        case 0:
            for (std::size_t i = 0; i < length / 4; ++i) PutLe32(p + 4 * i, static_cast<std::uint32_t>(i));
            break;
        case 1:
            for (std::size_t i = 0; i < length; ++i) p[i] = NextRandomByte();
            break;
        case 2:
            for (std::size_t i = 0; i < length; ++i) p[i] = NextPatternByte();
            break;
        case 4: {
            const std::uint32_t word = (options_.PatternWord << 16) + options_.PatternWord;
            for (std::size_t i = 0; i < length / 4; ++i) PutLe32(p + 4 * i, word);
            break;
        }
        default:
            break;  // mode 3 reads the files as it goes; other modes leave the buffer alone
    }
}

// The C runtime's classic generator, scaled to 0..99.
std::uint8_t RevertEngine::NextRandomByte() {
    randomState_ = randomState_ * 214013u + 2531011u;
    std::uint32_t value = (randomState_ >> 16) & 0x7FFF;
    return static_cast<std::uint8_t>(value * 100 / 32768);
}

void RevertEngine::SeedPatternGenerator(std::uint32_t seed) {
    try {
        if (allocationCheck_ && !allocationCheck_(kRingSize * sizeof(std::uint32_t))) throw std::bad_alloc();
        ring_.assign(kRingSize, 0);
    } catch (const std::bad_alloc&) {
        // Without the tables pattern mode 2 cannot run; the other modes do not need them.
        std::vector<std::uint32_t>().swap(ring_);
        return;
    }
    ring_[0] = seed;
    for (std::size_t i = 1; i < kRingSize; ++i) ring_[i] = ring_[i - 1] * 69069u + 1u;
    ringPos_[0] = 9688, ringPos_[1] = 9531, ringPos_[2] = 9374, ringPos_[3] = 9217;
}

std::uint8_t RevertEngine::NextPatternByte() {
    if (ring_.empty()) SeedPatternGenerator(0);
    if (ring_.empty()) return 0;
    for (std::uint32_t& pos : ringPos_) pos = pos + 1 == kRingSize ? 0 : pos + 1;
    std::uint32_t& head = ring_[ringPos_[0]];
    head ^= ring_[ringPos_[1]] ^ ring_[ringPos_[2]] ^ ring_[ringPos_[3]];
    return static_cast<std::uint8_t>(head % 255 + 1);
}

}  // namespace mendora

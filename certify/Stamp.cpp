#include "certify/Stamp.h"

#include <cstring>

namespace mendora::certify {

namespace {

constexpr std::uint8_t kStampMagic[8] = {'C', 'E', 'R', 'T', 'I', 'F', 'Y', 0x01};
constexpr std::size_t kHeaderBytes = 24;  // magic, position, run

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void PutLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t Le64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// The body's words after the header: xorshift from the position and run.
void FillBody(std::uint64_t* words, std::size_t count, std::uint64_t position, std::uint64_t run) {
    std::uint64_t state = position * 0xD1B54A32D192ED03ull ^ run;
    std::uint64_t x = SplitMix(state) | 1;
    for (std::size_t i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        words[i] = x;
    }
}

constexpr std::size_t kBodyWords = (kSectorBytes - kHeaderBytes) / 8;

}  // namespace

void FillStamp(std::uint8_t* sector, std::uint64_t position, std::uint64_t run) {
    std::memcpy(sector, kStampMagic, sizeof kStampMagic);
    PutLe64(sector + 8, position);
    PutLe64(sector + 16, run);
    std::uint64_t body[kBodyWords];
    FillBody(body, kBodyWords, position, run);
    std::memcpy(sector + kHeaderBytes, body, sizeof body);
}

std::optional<std::uint64_t> StampedPosition(const std::uint8_t* sector, std::uint64_t run) {
    if (std::memcmp(sector, kStampMagic, sizeof kStampMagic) != 0 || Le64(sector + 16) != run) return std::nullopt;
    const std::uint64_t position = Le64(sector + 8);
    std::uint64_t body[kBodyWords];
    FillBody(body, kBodyWords, position, run);
    if (std::memcmp(sector + kHeaderBytes, body, sizeof body) != 0) return std::nullopt;
    return position;
}

}  // namespace mendora::certify

#pragma once
#include <cstdint>
#include <string_view>

namespace mendora::genfiles {

// A small fixed-seed generator (splitmix64): the same seed gives the same bytes on
// every machine and every run.
class Prng {
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}

    // Seeded from a text, so every generated file has its own stable stream.
    static Prng ForName(std::string_view name) {
        std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
        for (unsigned char c : name) hash = (hash ^ c) * 0x100000001B3ull;
        return Prng(hash);
    }

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 56); }
    // A number in 0..bound-1 (bound > 0).
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }

private:
    std::uint64_t state_;
};

}  // namespace mendora::genfiles

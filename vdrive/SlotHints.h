#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mendora::vdrive {

// Slots that recently took page contents, filed by a few sampled words of the page, so
// that a page written again is usually matched by one comparison instead of a hash and a
// comparison. Only a guess, kept in this process: callers check the slot's bytes first.
class SlotHints {
public:
    // The remembered slot for pages that sample like this one (length at least 8); 0 if none.
    std::uint32_t& For(const std::uint8_t* content, std::size_t length) {
        std::uint64_t key = Word(content) ^ Word(content + length / 2) * 3 ^ Word(content + length - 8) * 5;
        key *= 0x9E3779B97F4A7C15ull;
        return slots_[key >> 56];
    }

private:
    static std::uint64_t Word(const std::uint8_t* p) {
        std::uint64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

    std::array<std::uint32_t, 256> slots_{};
};

}  // namespace mendora::vdrive

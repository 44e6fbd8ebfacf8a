#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::fuzz {

// Stops the run on a broken promise, so that libFuzzer (or the regression test) sees it
// like a crash.
#define FUZZ_CHECK(condition)                                                  \
    do {                                                                       \
        if (!(condition)) ::mendora::fuzz::CheckFailed(#condition, __FILE__, __LINE__); \
    } while (0)
[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

// Takes an input apart front to back; what is asked for past its end reads as zero.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::size_t Left() const { return Empty() ? 0 : size_ - at_; }
    std::uint8_t U8() { return Empty() ? 0 : data_[at_++]; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
    std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
    // Up to count bytes (fewer at the end).
    std::string_view Take(std::size_t count) {
        count = std::min(count, Left());
        std::string_view part(reinterpret_cast<const char*>(data_) + at_, count);
        at_ += count;
        return part;
    }
    std::string_view Rest() { return Take(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A directory of this process for the files of one input, empty when handed out. The
// process's directory lies under TMPDIR and goes when the process ends normally.
std::string FreshDirectory(const std::string& name);

inline std::string AsString(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace mendora::fuzz

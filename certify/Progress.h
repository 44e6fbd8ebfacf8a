#pragma once
#include <atomic>
#include <cstdint>

namespace mendora::certify {

// How far a certify has got, read by another thread while it runs.
struct Progress {
    std::atomic<std::uint64_t> done{0};   // sectors moved so far
    std::atomic<std::uint64_t> total{0};  // sectors the certify will move in all
    std::atomic<std::uint64_t> bytesWritten{0};
    std::atomic<std::uint64_t> bytesRead{0};
    std::atomic<std::uint64_t> writeMicros{0};  // time spent writing and reading
    std::atomic<std::uint64_t> readMicros{0};

    double Fraction() const {
        const std::uint64_t all = total.load(std::memory_order_relaxed);
        return all == 0 ? 0.0 : static_cast<double>(done.load(std::memory_order_relaxed)) / static_cast<double>(all);
    }
};

// MB/s (10^6 bytes a second) of bytes moved in microseconds; 0 before anything moved.
inline double MegabytesPerSecond(std::uint64_t bytes, std::uint64_t micros) {
    return micros == 0 ? 0.0 : static_cast<double>(bytes) / static_cast<double>(micros);
}

}  // namespace mendora::certify

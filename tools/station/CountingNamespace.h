#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "flash/FlashPlace.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora::station {

// Bytes moved to and from the drive, and the flash place the last command the drive
// carried pointed at, readable from another thread.
class TransferCount {
public:
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> read{0};

    void Reach(const FlashPlace& place) {
        reached_.store(kReached | std::uint64_t{place.chip} << 32 | place.sector, std::memory_order_relaxed);
    }
    // nullopt until the drive carried a command that points at a place of its flash.
    std::optional<FlashPlace> Reached() const {
        const std::uint64_t at = reached_.load(std::memory_order_relaxed);
        if (!(at & kReached)) return std::nullopt;
        return FlashPlace{static_cast<std::uint32_t>(at >> 32 & 0xFF), static_cast<std::uint32_t>(at)};
    }

private:
    static constexpr std::uint64_t kReached = std::uint64_t{1} << 63;
    std::atomic<std::uint64_t> reached_{0};
};

// The drive namespace whose drives count the data their commands carry and note the place
// each carried flash command reached.
class CountingNamespace : public platform::DriveNamespace {
public:
    CountingNamespace(std::vector<std::string> images, platform::UsbDiskFinder& finder, platform::Clock& clock,
                      TransferCount& count)
        : DriveNamespace(std::move(images), finder, clock), count_(count) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string& name, std::string* error) override;

private:
    TransferCount& count_;
};

}  // namespace mendora::station

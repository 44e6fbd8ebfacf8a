#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/scsi/DriveNamespace.h"

namespace mendora::station {

// Bytes moved to and from the drive, readable from another thread.
struct TransferCount {
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> read{0};
};

// The drive namespace whose drives count the data their commands carry.
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

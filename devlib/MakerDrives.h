#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devlib/DriveCommands.h"
#include "platform/kernel/Clock.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora::devlib {

// A drive that identified as the maker's controller, by its drive name ("D:").
struct MakerDrive {
    std::string name;
    DriveIdentity identity;
};

// An opened drive that has just identified itself.
struct OpenedDrive {
    std::unique_ptr<platform::ScsiTransport> transport;
    DriveIdentity identity;
};

// The maker's drives as the drive namespace shows them now: the virtual images named in
// the environment first, then the maker's USB disks. A drive is used only when both its
// INQUIRY and its identification reply are the maker's.
class MakerDrives {
public:
    MakerDrives();
    std::vector<MakerDrive> List();
    // Opens one drive by name and identifies it again; empty when it is gone or foreign.
    std::optional<OpenedDrive> Open(const std::string& name);

private:
    std::unique_ptr<platform::Clock> clock_;
    std::unique_ptr<platform::UsbDiskFinder> finder_;
    platform::DriveNamespace namespace_;
};

}  // namespace mendora::devlib

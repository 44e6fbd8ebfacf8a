#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devlib/DriveCommands.h"
#include "platform/kernel/Clock.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora::devlib {

// A drive that identified as the maker's controller: its name now ("D:"), what it answered,
// and where it is (its place, with the controller's answer filled in).
struct MakerDrive {
    std::string name;
    DriveIdentity identity;
    platform::DriveIdentity place;
};

// An opened drive that has just identified itself.
struct OpenedDrive {
    std::string name;
    std::unique_ptr<platform::ScsiTransport> transport;
    DriveIdentity identity;
    platform::DriveIdentity place;
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
    // Opens the drive of an identity wherever it sits now (by port and serial) and checks
    // that its controller answers as it did; empty with *error when it is gone, ambiguous or
    // another drive.
    std::optional<OpenedDrive> Open(const platform::DriveIdentity& place, std::string* error);

private:
    std::optional<OpenedDrive> Identified(const platform::DriveEntry& entry, std::string* error);

    std::unique_ptr<platform::Clock> clock_;
    std::unique_ptr<platform::UsbDiskFinder> finder_;
    platform::DriveNamespace namespace_;
};

// The controller's identification answer as one text, to tell two answers apart.
std::string ControllerText(const identify::Answer& answer);

}  // namespace mendora::devlib

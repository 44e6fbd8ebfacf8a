#include "tools/station/window/DrivePresence.h"

#include "vdrive/VirtualDrive.h"

namespace mendora::station {

bool DrivePresent(const platform::DriveEntry& entry) {
    if (!entry.isVirtual) return true;
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(entry.source, &error, vdrive::ImageAccess::ReadOnly);
    if (!drive) return false;
    auto info = drive->Info(&error);
    return info && info->plugged;
}

}  // namespace mendora::station

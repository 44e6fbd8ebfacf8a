#pragma once
#include "platform/scsi/DriveNamespace.h"

namespace mendora::station {

// Whether a drive of the namespace is plugged in now: a USB disk is listed only while it
// is; a virtual drive's image stays, and says itself whether it is plugged in.
bool DrivePresent(const platform::DriveEntry& entry);

}  // namespace mendora::station

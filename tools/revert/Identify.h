#pragma once
#include <string>
#include <vector>

#include "console/DeviceLibrary.h"
#include "console/DriveIdentification.h"
#include "console/RevertPreparation.h"
#include "platform/kernel/Kernel.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora::revert_tool {

// Identifies the drive `name` of `drives` (a namespace of `images`) through the device
// library, with this process confined to that drive so that the library sees it alone,
// under the same name. The library must stay loaded while the drive is reverted: its
// drive code keeps process-wide hooks (the handler of a mapped image cut short). Fills *answers; empty message on success,
// else why the drive is refused: the library does not identify it, identifies another
// drive, or the drive is one the repair refuses.
// `identified`, when given, receives the library's device handle and whole identification.
struct Identified {
    QdllHandle device = 0;
    DriveIdentification drive;
};
std::string IdentifyDrive(platform::Kernel& kernel, DeviceLibrary& library, platform::DriveNamespace& drives,
                          const std::vector<std::string>& images, const std::string& name, LibraryAnswers* answers,
                          Identified* identified = nullptr);

}  // namespace mendora::revert_tool

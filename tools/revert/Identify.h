#pragma once
#include <string>

#include "console/RevertPreparation.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora::revert_tool {

// Asks the drive's controller for its identification and turns it into the answers the
// device library would give; empty message on success.
std::string IdentifyDrive(platform::ScsiTransport& drive, char letter, LibraryAnswers* answers);

}  // namespace mendora::revert_tool

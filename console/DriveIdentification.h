#pragma once
#include <cstdint>
#include <string>

#include "console/DeviceLibrary.h"
#include "console/FirmwareCheck.h"
#include "console/RevertPreparation.h"
#include "platform/kernel/VersionQuery.h"

namespace mendora {

// The first drive's description and firmware version as the library reads them.
struct DriveDescription {
    bool selected = false;  // the library took the first drive as its current one
    std::string description;
    char version[kVersionBuffer] = {};  // as the library wrote it; "FFFFFF": no firmware
    bool noFirmware = false;

    std::string VersionText() const { return BufferText(version, sizeof version); }
};

struct ChipIdentity {
    std::uint16_t id = 0;
    std::uint16_t version = 0;
};

// A drive as the device library identifies it, read in the order the dialog reads it.
struct DriveIdentification {
    bool present = false;
    DriveDescription description;
    ChipIdentity chip;
    LibraryAnswers answers;

    // A drive is there and the library took it as its current one.
    bool Found() const { return present && description.selected; }
};

// The library's reads, one step each, for a caller that interleaves them with its own work.
DriveDescription ReadDriveDescription(DeviceLibrary& library, QdllHandle device);
ChipIdentity ReadChip(DeviceLibrary& library, QdllHandle device);
LibraryAnswers ReadLibraryAnswers(DeviceLibrary& library, QdllHandle device);

// Every read in order: presence, description and firmware, chip, attributes. Stops after
// presence or the selection when either fails.
DriveIdentification IdentifyDrive(DeviceLibrary& library, QdllHandle device);

// Why a drive is not repaired, as the id of the text that says so; 0 when it may be. The
// chip rules come first (an unsupported controller; the revision that needs a system of
// build 2600 or older), then the attribute rule (dual channel flash).
std::uint16_t ChipRefusal(const ChipIdentity& chip, std::uint32_t osBuild);
std::uint16_t AttributeRefusal(std::uint8_t attribute);
std::uint16_t Refusal(const DriveIdentification& drive, std::uint32_t osBuild);

// The build number the host's version query reports; 0 when it answers nothing.
std::uint32_t HostOsBuild(platform::VersionQuery& version);

}  // namespace mendora

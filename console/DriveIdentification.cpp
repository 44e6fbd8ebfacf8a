#include "console/DriveIdentification.h"

#include "protocol/ControllerChips.h"
#include "protocol/StringIds.h"

namespace mendora {

namespace {

constexpr std::size_t kDescriptionBuffer = 256;
constexpr int kFirstDrive = 0;
constexpr int kFirstLetter = 1;

}  // namespace

DriveDescription ReadDriveDescription(DeviceLibrary& library, QdllHandle device) {
    DriveDescription d;
    d.selected = library.SetCurrentDriveNumber(device, kFirstDrive) != 0;
    char description[kDescriptionBuffer] = {};
    library.GetDeviceString(device, description);
    d.description = BufferText(description, sizeof description);
    library.GetFwVersion(device, d.version);
    d.noFirmware = IsNoFirmware(d.version);
    return d;
}

ChipIdentity ReadChip(DeviceLibrary& library, QdllHandle device) {
    ChipIdentity chip;
    library.GetChipID(device, &chip.id, &chip.version);
    return chip;
}

LibraryAnswers ReadLibraryAnswers(DeviceLibrary& library, QdllHandle device) {
    LibraryAnswers a;
    library.GetDriveLetter(device, kFirstLetter, &a.driveLetter);
    library.GetDeviceAttrib(device, a.chipId, &a.model, &a.attribute, &a.zoneBank, &a.chipCount);
    library.GetFlashAttrib(device, &a.maxSectors, &a.maxLogSectors, &a.maxBlocks, &a.maxZones, &a.a1Version,
                           &a.redundantSymbol);
    return a;
}

DriveIdentification IdentifyDrive(DeviceLibrary& library, QdllHandle device) {
    DriveIdentification drive;
    drive.present = library.DeviceExist(device) != 0;
    if (!drive.present) return drive;
    drive.description = ReadDriveDescription(library, device);
    if (!drive.description.selected) return drive;
    drive.chip = ReadChip(library, device);
    drive.answers = ReadLibraryAnswers(library, device);
    return drive;
}

std::uint16_t ChipRefusal(const ChipIdentity& chip, std::uint32_t osBuild) {
    if (chip.id == chips::kUnsupported) return kUnsupportedString;
    if (chip.id == chips::kSystemBoundChip && chip.version == chips::kSystemBoundVersion &&
        osBuild > chips::kLastSupportedOsBuild)
        return kWrongSystemString;
    return 0;
}

std::uint16_t AttributeRefusal(std::uint8_t attribute) {
    return (attribute & chips::kDualChannelAttribute) != 0 ? kDualChannelString : 0;
}

std::uint16_t Refusal(const DriveIdentification& drive, std::uint32_t osBuild) {
    if (std::uint16_t chip = ChipRefusal(drive.chip, osBuild)) return chip;
    return AttributeRefusal(drive.answers.attribute);
}

std::uint32_t HostOsBuild(platform::VersionQuery& version) {
    auto v = version.Query(platform::VersionRecord::Extended);
    if (!v) v = version.Query(platform::VersionRecord::Basic);
    return v ? v->buildNumber & 0xFFFF : 0;
}

}  // namespace mendora

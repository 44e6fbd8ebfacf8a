#include "tools/revert/Identify.h"

#include "console/ConsoleStrings.h"
#include "console/DriveIdentification.h"

namespace mendora::revert_tool {

namespace {

std::optional<platform::DriveEntry> EntryNamed(platform::DriveNamespace& drives, const std::string& given) {
    const std::string name = platform::NormalDriveName(given);
    for (platform::DriveEntry& entry : drives.Drives())
        if (entry.name == name || entry.identity.port == name) return entry;
    return std::nullopt;
}

// The letter the revert opens the drive by; 0 when its name is none.
char LetterOf(const platform::DriveEntry& entry) {
    return entry.name.size() == 2 && entry.name[1] == ':' ? entry.name[0] : 0;
}

}  // namespace

std::string IdentifyDrive(platform::Kernel& kernel, DeviceLibrary& library, platform::DriveNamespace& drives,
                          const std::vector<std::string>& images, const std::string& name, LibraryAnswers* answers,
                          Identified* identified) {
    const std::optional<platform::DriveEntry> entry = EntryNamed(drives, name);
    if (!entry) return "no drive " + name;
    const char letter = LetterOf(*entry);
    if (letter == 0) return name + " has no drive letter to open it by";
    if (!platform::ConfineProcessTo(images, *entry)) return "the device library cannot be confined to " + name;

    if (!library.Has(DeviceLibrary::Entry::CreateCUSBDevice))
        return "the device library cannot be loaded (error " + std::to_string(library.LoadError()) + ")";
    const QdllHandle device = library.CreateCUSBDevice();
    const DriveIdentification drive = mendora::IdentifyDrive(library, device);
    if (!drive.Found()) return "the device library does not identify " + name + " as a drive it repairs";
    if (drive.answers.driveLetter != letter)
        return "the device library identified " + std::string(1, drive.answers.driveLetter) + ": instead of " + name;
    if (std::uint16_t refusal = Refusal(drive, HostOsBuild(kernel.version)))
        return name + " is refused: " + LoadConsoleString(kernel.resources, refusal);
    *answers = drive.answers;
    if (identified != nullptr) *identified = {device, drive};
    return {};
}

}  // namespace mendora::revert_tool

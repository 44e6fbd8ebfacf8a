#include "devlib/MakerDrives.h"

#include <cstdio>

#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/NativeScsi.h"

namespace mendora::devlib {

MakerDrives::MakerDrives()
    : clock_(std::make_unique<platform::NativeClock>()),
      finder_(std::make_unique<platform::NativeDiskFinder>()),
      namespace_(platform::DriveNamespace::ImagesFromEnvironment(), *finder_, *clock_) {}

std::vector<MakerDrive> MakerDrives::List() {
    std::vector<MakerDrive> found;
    std::string ignored;
    for (const platform::DriveEntry& entry : namespace_.Drives()) {
        if (auto drive = Identified(entry, &ignored)) found.push_back({entry.name, drive->identity, drive->place});
    }
    return found;
}

std::optional<OpenedDrive> MakerDrives::Open(const std::string& name) {
    std::string ignored;
    for (const platform::DriveEntry& entry : namespace_.Drives())
        if (entry.name == name) return Identified(entry, &ignored);
    return std::nullopt;
}

std::optional<OpenedDrive> MakerDrives::Open(const platform::DriveIdentity& place, std::string* error) {
    auto entry = namespace_.Find(place, error);
    if (!entry) return std::nullopt;
    auto drive = Identified(*entry, error);
    if (drive && !drive->place.Matches(place)) {
        *error = entry->name + " is no longer the drive that was identified";
        return std::nullopt;
    }
    return drive;
}

std::optional<OpenedDrive> MakerDrives::Identified(const platform::DriveEntry& entry, std::string* error) {
    auto transport = namespace_.Open(entry.name, error);  // refuses a drive whose INQUIRY is not the maker's
    if (!transport) return std::nullopt;
    auto identity = DriveCommands(*transport).Identify();
    if (!identity) return *error = entry.name + " does not identify as the maker's controller", std::nullopt;
    platform::DriveIdentity place = entry.identity;
    place.controller = ControllerText(identity->answer);
    return OpenedDrive{entry.name, std::move(transport), *identity, place};
}

std::string ControllerText(const identify::Answer& answer) {
    const identify::Controller& id = answer.identity;
    char text[64];
    std::snprintf(text, sizeof text, "chip %04X v%u flash %02X %02X %02X %02X %02X", id.chipId,
                  static_cast<unsigned>(id.chipVersion), id.flashId[0], id.flashId[1], id.flashId[2], id.flashId[3],
                  id.flashId[4]);
    return text;
}

}  // namespace mendora::devlib

#include "devlib/MakerDrives.h"

#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/NativeScsi.h"

namespace mendora::devlib {

MakerDrives::MakerDrives()
    : clock_(std::make_unique<platform::NativeClock>()),
      finder_(std::make_unique<platform::NativeDiskFinder>()),
      namespace_(platform::DriveNamespace::ImagesFromEnvironment(), *finder_, *clock_) {}

std::vector<MakerDrive> MakerDrives::List() {
    std::vector<MakerDrive> found;
    for (const platform::DriveEntry& entry : namespace_.Drives()) {
        if (auto drive = Open(entry.name)) found.push_back({entry.name, drive->identity});
    }
    return found;
}

std::optional<OpenedDrive> MakerDrives::Open(const std::string& name) {
    std::string error;
    auto transport = namespace_.Open(name, &error);  // refuses a drive whose INQUIRY is not the maker's
    if (!transport) return std::nullopt;
    auto identity = DriveCommands(*transport).Identify();
    if (!identity) return std::nullopt;
    return OpenedDrive{std::move(transport), *identity};
}

}  // namespace mendora::devlib

#include "platform/kernel/win32/WindowsHeader.h"

#include "platform/scsi/win32/Win32DiskHolders.h"

#include <algorithm>
#include <cctype>

#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

// What is left of text after prefix (compared without regard to case), or nullopt.
std::optional<std::string> After(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return std::nullopt;
    return text.substr(prefix.size());
}

std::string Shown(const std::string& volume, const std::vector<std::string>& paths) {
    if (paths.empty()) return volume;
    std::string path = paths.front();
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

bool MeansOpenFiles(std::uint32_t error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

class LockedVolumes : public DiskRelease {
public:
    std::vector<std::unique_ptr<LockedVolume>> volumes;
};

}  // namespace

std::optional<std::uint32_t> PhysicalDriveNumber(const std::string& disk) {
    std::string digits = After(disk, "\\\\.\\").value_or(disk);
    digits = After(digits, "PhysicalDrive").value_or(digits);
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(digits));
}

std::optional<std::vector<Win32DiskHolders::Volume>> Win32DiskHolders::VolumesOn(const std::string& disk,
                                                                                 std::string* why) {
    auto number = PhysicalDriveNumber(disk);
    if (!number) {
        if (why) *why = "'" + disk + "' is not a physical drive number";
        return std::nullopt;
    }
    auto names = calls_->Volumes();
    if (!names) {
        if (why) *why = "the volumes cannot be listed";
        return std::nullopt;
    }
    std::vector<Volume> volumes;
    for (const std::string& name : *names) {
        auto disks = calls_->DisksOf(name);
        if (disks && std::find(disks->begin(), disks->end(), *number) != disks->end())
            volumes.push_back({name, Shown(name, calls_->PathsOf(name))});
    }
    return volumes;
}

std::optional<DiskUse> Win32DiskHolders::FindUse(const std::string& disk, std::string* why) {
    auto volumes = VolumesOn(disk, why);
    if (!volumes) return std::nullopt;
    DiskUse use;
    for (const Volume& volume : *volumes) use.mountPoints.push_back(volume.shown);
    return use;
}

std::unique_ptr<DiskRelease> Win32DiskHolders::Release(const std::string& disk) {
    auto release = std::make_unique<LockedVolumes>();
    std::string why;
    auto volumes = VolumesOn(disk, &why);
    if (!volumes) {
        release->failures.push_back(why);
        return release;
    }
    for (const Volume& volume : *volumes) {
        std::uint32_t error = 0;
        auto locked = calls_->LockAndDismount(volume.name, &error);
        if (locked) {
            release->volumes.push_back(std::move(locked));
        } else if (MeansOpenFiles(error)) {
            release->failures.push_back(volume.shown + " is in use (files are open on it)");
        } else {
            release->failures.push_back(volume.shown + " cannot be locked: " + win32::ErrorText(error));
        }
    }
    return release;
}

std::unique_ptr<DiskHolders> NativeDiskHolders() { return std::make_unique<Win32DiskHolders>(); }

}  // namespace mendora::platform

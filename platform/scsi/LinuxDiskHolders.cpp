#include "platform/scsi/LinuxDiskHolders.h"

#include <sys/mount.h>
#include <sys/swap.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/scsi/LinuxBlockDevices.h"
#include "platform/scsi/MountTables.h"

namespace mendora::platform {
namespace {

std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

bool IsUnder(const std::string& path, const std::string& directory) {
    if (directory.empty()) return false;
    std::string prefix = directory.back() == '/' ? directory : directory + "/";
    return path.rfind(prefix, 0) == 0;
}

bool IsUnderAny(const std::string& path, const std::vector<std::string>& directories) {
    return std::any_of(directories.begin(), directories.end(), [&](const auto& d) { return IsUnder(path, d); });
}

int ErrnoOf(int result) { return result == 0 ? 0 : errno; }

}  // namespace

DiskReleaseCalls SystemDiskReleaseCalls() {
    return {[](const std::string& mountPoint) { return ErrnoOf(::umount2(mountPoint.c_str(), UMOUNT_NOFOLLOW)); },
            [](const std::string& swapArea) { return ErrnoOf(::swapoff(swapArea.c_str())); }};
}

std::optional<DiskUse> LinuxDiskHolders::FindUse(const std::string& disk, std::string* why) {
    auto devices = DiskAndPartitions(sysRoot_, disk, why);
    if (!devices) return std::nullopt;
    const std::string mountInfoPath = procRoot_ + "/self/mountinfo";
    auto mountInfo = ReadText(mountInfoPath);
    if (!mountInfo) {
        if (why) *why = mountInfoPath + ": cannot be read";
        return std::nullopt;
    }
    std::set<std::string> numbers, sources;
    DiskUse use;
    for (const BlockDevice& device : *devices) {
        numbers.insert(device.device);
        sources.insert("/dev/" + device.name);
        for (const std::string& holder : device.holders) AddOnce(use.holders, holder);
    }
    for (const MountEntry& mount : ParseMountInfo(*mountInfo)) {
        if (numbers.count(mount.device) || sources.count(mount.source)) AddOnce(use.mountPoints, mount.mountPoint);
    }
    // A kernel without swap has no table, and then no swap area.
    for (const SwapEntry& swap : ParseSwaps(ReadText(procRoot_ + "/swaps").value_or(""))) {
        bool onDisk = sources.count(swap.path) || (swap.type == "file" && IsUnderAny(swap.path, use.mountPoints));
        if (onDisk) AddOnce(use.swapAreas, swap.path);
    }
    return use;
}

std::unique_ptr<DiskRelease> LinuxDiskHolders::Release(const std::string& disk) {
    auto release = std::make_unique<DiskRelease>();
    std::string why;
    auto use = FindUse(disk, &why);
    if (!use) {
        release->failures.push_back(why);
        return release;
    }
    std::set<std::string> failed;
    auto attempt = [&](const std::string& what, int error) {
        if (error == 0) return;
        release->failures.push_back(what + ": " + std::strerror(error));
        failed.insert(what);
    };
    for (const std::string& swap : use->swapAreas) attempt(swap, calls_.swapOff(swap));
    for (auto it = use->mountPoints.rbegin(); it != use->mountPoints.rend(); ++it) attempt(*it, calls_.unmount(*it));
    for (const std::string& holder : use->holders) release->failures.push_back("held by " + holder);

    auto after = FindUse(disk, &why);
    if (!after) {
        release->failures.push_back(why);
        return release;
    }
    for (const std::string& swap : after->swapAreas)
        if (!failed.count(swap)) release->failures.push_back(swap + ": still in use as swap");
    for (const std::string& mount : after->mountPoints)
        if (!failed.count(mount)) release->failures.push_back(mount + ": still mounted");
    return release;
}

std::unique_ptr<DiskHolders> NativeDiskHolders() { return std::make_unique<LinuxDiskHolders>(); }

}  // namespace mendora::platform

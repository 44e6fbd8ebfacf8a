#include "platform/scsi/LinuxBlockDevices.h"

#include <filesystem>
#include <fstream>

namespace mendora::platform {
namespace {

namespace fs = std::filesystem;

// A name that cannot step out of the directory it is looked up in.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::vector<std::string> Entries(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

BlockDevice Read(const fs::path& directory, const std::string& name) {
    return {name, FirstLine(directory / "dev"), Entries(directory / "holders")};
}

}  // namespace

std::optional<std::vector<BlockDevice>> DiskAndPartitions(const std::string& sysRoot, const std::string& disk,
                                                          std::string* why) {
    if (!IsPlainName(disk)) {
        if (why) *why = "'" + disk + "' is not a block device name";
        return std::nullopt;
    }
    const fs::path directory = fs::path(sysRoot) / "class" / "block" / disk;
    std::vector<BlockDevice> devices{Read(directory, disk)};
    if (devices[0].device.empty()) {
        if (why) *why = disk + ": no such disk";
        return std::nullopt;
    }
    for (const std::string& entry : Entries(directory)) {
        std::error_code error;
        if (fs::exists(directory / entry / "partition", error)) devices.push_back(Read(directory / entry, entry));
    }
    return devices;
}

}  // namespace mendora::platform

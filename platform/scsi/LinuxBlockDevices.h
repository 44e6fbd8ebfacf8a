#pragma once
#include <optional>
#include <string>
#include <vector>

namespace mendora::platform {

// A block device as sysfs shows it.
struct BlockDevice {
    std::string name;                  // "sdb", "sdb1"
    std::string device;                // "8:16", from its dev file
    std::vector<std::string> holders;  // the entries of its holders/ directory
};

// The disk and each of its partitions, from <sysRoot>/class/block/<disk>. nullopt, with
// *why, when disk is not a plain device name or no such block device exists.
std::optional<std::vector<BlockDevice>> DiskAndPartitions(const std::string& sysRoot, const std::string& disk,
                                                          std::string* why);

}  // namespace mendora::platform

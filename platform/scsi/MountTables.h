#pragma once
#include <string>
#include <vector>

namespace mendora::platform {

// One line of /proc/self/mountinfo.
struct MountEntry {
    std::string device;      // "major:minor" of the mounted file system
    std::string mountPoint;  // unescaped
    std::string source;      // unescaped, e.g. "/dev/sdb1"
};

// One line of /proc/swaps.
struct SwapEntry {
    std::string path;  // unescaped
    std::string type;  // "partition" or "file"
};

// The lines of the kernel's tables; lines that do not have the table's shape are skipped.
std::vector<MountEntry> ParseMountInfo(const std::string& text);
std::vector<SwapEntry> ParseSwaps(const std::string& text);

// A field with the kernel's octal escapes ("\040" for a space) undone.
std::string UnescapeMountField(const std::string& field);

}  // namespace mendora::platform

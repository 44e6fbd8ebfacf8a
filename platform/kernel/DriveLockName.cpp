#include "platform/kernel/DriveLockName.h"

#include <cstdint>
#include <cstdio>

namespace mendora::platform {
namespace {

constexpr std::size_t kReadablePart = 64;

bool IsSafe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

// FNV-1a: the same on every host and in every module, which the name needs.
std::uint64_t Hash(const std::string& key) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

std::string DriveLockName(const std::string& key) {
    std::string name = "drive-";
    for (std::size_t i = 0; i < key.size() && i < kReadablePart; ++i) name += IsSafe(key[i]) ? key[i] : '_';
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Hash(key)));
    return name + "-" + hash;
}

}  // namespace mendora::platform

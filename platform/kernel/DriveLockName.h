#pragma once
#include <string>

namespace mendora::platform {

// A name for a drive's lock that every host accepts as a file or object name: "drive-",
// the key's letters, digits, '.', '-' and '_' (any other byte as '_', cut to 64), '-' and a
// 64-bit hash of the whole key in hex. No key can make it name a path, and keys that read
// alike still get different names.
std::string DriveLockName(const std::string& key);

}  // namespace mendora::platform

#pragma once
#include <string>

#include "platform/kernel/TempRoot.h"

namespace mendora::platform {

// Where drive lock files live, ending with '/'. For root: /run/lock/mendora, created 0755,
// so that every program run as root shares it whatever its environment; when it exists
// but is not root's own directory (a link, another owner, writable by others) it is
// refused rather than replaced, since a lock elsewhere would exclude nobody. Without
// /run/lock, and for other users: the user's private temporary directory. Empty, with
// *why, when no directory can be had.
// systemDirectory stands in for /run/lock/mendora in tests.
std::string DriveLockDirectory(TempRoot& tempRoot, std::string* why,
                               const std::string& systemDirectory = "/run/lock/mendora");

}  // namespace mendora::platform

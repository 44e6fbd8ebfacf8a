#pragma once
#include <string>

#include "platform/kernel/TempRoot.h"

namespace mendora::platform {

// Where drive lock files live, ending with '/': for root /run/lock/mendora, created 0755 and
// used only when it is root's own directory, not a link and writable by nobody else (so
// every program run as root shares it); else, and for other users, the user's private
// temporary directory. Empty, with *why, when neither can be had.
std::string DriveLockDirectory(TempRoot& tempRoot, std::string* why);

}  // namespace mendora::platform

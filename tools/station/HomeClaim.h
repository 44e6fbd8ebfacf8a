#pragma once
#include <memory>
#include <string>

#include "platform/kernel/Clock.h"
#include "platform/kernel/FileSystem.h"

namespace mendora::station {

// A station's private directory is claimed by a lock file inside it, held locked and open
// for as long as the station runs, with a line written into it once the lock is held. So a
// later run tells a directory left by a station that is gone (the lock can be taken and the
// file is not empty) from one whose station lives (the lock is held) or is still being made
// (the file is missing or empty).
inline constexpr const char* kHomeLockName = "station.lock";

// Claims a directory just made: the held lock file, or nullptr when it cannot be had.
std::unique_ptr<platform::File> ClaimHome(platform::FileSystem& files, platform::Clock& clock,
                                          const std::string& directory);

// Removes every directory directly under `root` whose name starts with `prefix` and whose
// station is gone. Only real directories of ours are looked at, a link is never followed,
// and nothing outside them is touched. Answers how many were removed.
int RemoveLeftoverHomes(platform::FileSystem& files, const std::string& root, const std::string& prefix);

}  // namespace mendora::station

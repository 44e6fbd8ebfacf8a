#pragma once
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora {

// Makes sure that every directory above the file exists, from the first one below the
// root down to the file's own directory. Answers 1.
int MakeEntryDirs(platform::Kernel& kernel, const std::string& filePath);

// Answers 1 when something of that path exists or the directory could be created;
// otherwise the process ends with "Couldn't create dir".
int EnsureDir(platform::Kernel& kernel, const std::string& directory);

}  // namespace mendora

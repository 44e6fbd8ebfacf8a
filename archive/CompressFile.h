#pragma once
#include <string>

#include "platform/kernel/FileSystem.h"

namespace mendora {

// Writes the content of sourcePath as one gzip stream at the default level to
// gzipPath (created or truncated). Answers 1 when written, 0 when not.
int CompressFile(platform::FileSystem& files, const std::string& sourcePath,
                 const std::string& gzipPath);

}  // namespace mendora

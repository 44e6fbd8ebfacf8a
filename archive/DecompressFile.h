#pragma once
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora {

// Writes the decompressed content of the gzip file at scratchPath to destinationPath
// (created or truncated). Answers 1 when written, 0 when not; a damaged stream leaves
// the destination untouched, an unopenable destination is reported in a message box.
// *writeFailed (when given) turns true when the destination refused bytes (a full disk).
int DecompressFile(platform::Kernel& kernel, const std::string& scratchPath,
                   const std::string& destinationPath, bool* writeFailed = nullptr);

}  // namespace mendora

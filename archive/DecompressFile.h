#pragma once
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora {

// Writes the decompressed content of the gzip file at scratchPath to destinationPath
// (created or truncated). Answers 1 when written, 0 when not; a damaged stream leaves
// the destination untouched, an unopenable destination is reported in a message box.
int DecompressFile(platform::Kernel& kernel, const std::string& scratchPath,
                   const std::string& destinationPath);

}  // namespace mendora

#pragma once
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora::revert_tool {

// A private directory of this run under the user's temporary root, holding the device
// library QDLL.dll and the revert images unpacked from the embedded RBootCode.r into
// "RevertBoot"; empty on failure, with the reason in *error.
std::string PrepareWorkDirectory(platform::Kernel& kernel, std::string* error);
void RemoveWorkDirectory(const std::string& directory);

}  // namespace mendora::revert_tool

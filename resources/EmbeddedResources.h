#pragma once
#include <span>

#include "platform/kernel/Resources.h"

namespace mendora {

// The resources compiled into the executable: the five embedded files of type
// "BINARYFILE" and the string table.
std::span<const platform::ResourceEntry> EmbeddedResourceTable();

}  // namespace mendora

#pragma once
#include "platform/kernel/TempRoot.h"

namespace mendora::platform {

// $XDG_RUNTIME_DIR when it is ours and mode 0700, else ${TMPDIR:-/tmp}/mendora-<uid>/,
// created 0700. Either must be owned by us, not a link and not writable by others.
class LinuxTempRoot : public TempRoot {
public:
    std::string Directory(std::string* why) override;
};

}  // namespace mendora::platform

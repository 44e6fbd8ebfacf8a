#pragma once
#include "platform/kernel/Registry.h"

namespace mendora::platform {

// The current user's registry as a REGEDIT4 text file:
// ${XDG_CONFIG_HOME:-$HOME/.config}/mendora/user.reg, read afresh on every lookup.
class LinuxRegistry : public Registry {
public:
    std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) override;
    static std::string FilePath();
};

}  // namespace mendora::platform

#pragma once
#include <optional>

namespace mendora::platform {

class AdminRights {
public:
    virtual ~AdminRights() = default;
    // Whether the caller has administrator rights; empty when the check itself failed.
    virtual std::optional<bool> IsAdministrator() = 0;
};

}  // namespace mendora::platform

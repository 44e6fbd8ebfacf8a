#pragma once
#include <cstdint>
#include <string>

#include "platform/kernel/Resources.h"
#include "protocol/StringIds.h"

namespace mendora {

// A console text in the user's language.
inline std::string LoadConsoleString(platform::Resources& resources, std::uint16_t id) {
    constexpr std::size_t kStringBuffer = 256;
    return resources.LoadString(id, kStringBuffer);
}

}  // namespace mendora

#pragma once
#include <string>

namespace mendora::platform {

// Compares two names with the letters A-Z and a-z taken as equal, for hosts whose file
// systems do not tell letter case apart.
bool EqualIgnoringCase(const std::string& a, const std::string& b);

}  // namespace mendora::platform

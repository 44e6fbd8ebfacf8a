#pragma once
#include <string>

namespace mendora::platform {

// Sets a variable of this process's environment, for what the process reads, loads or
// starts from now on; false when the host refuses it.
bool SetProcessEnvironment(const std::string& name, const std::string& value);

// The value of a variable of this process's environment, in UTF-8; empty when it is unset.
std::string ProcessEnvironmentValue(const std::string& name);

}  // namespace mendora::platform

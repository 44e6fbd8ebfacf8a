#include <cstdlib>

#include "platform/kernel/ProcessEnvironment.h"
#include "platform/kernel/win32/Win32Text.h"
#include "platform/kernel/win32/WindowsHeader.h"

namespace mendora::platform {

// Both copies: the process's block, which a module loaded later starts its runtime from,
// and this runtime's own, which getenv reads.
bool SetProcessEnvironment(const std::string& name, const std::string& value) {
    if (!SetEnvironmentVariableW(win32::Widen(name).c_str(), win32::Widen(value).c_str())) return false;
    return _putenv_s(name.c_str(), value.c_str()) == 0;
}

}  // namespace mendora::platform

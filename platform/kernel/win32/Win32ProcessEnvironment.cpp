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

// Read wide, so that a path outside the ANSI code page arrives whole.
std::string ProcessEnvironmentValue(const std::string& name) {
    const std::wstring wideName = win32::Widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length == 0 || length >= size) return {};
    value.resize(length);
    return win32::Narrow(value);
}

}  // namespace mendora::platform

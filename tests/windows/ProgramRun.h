#pragma once
// What the Windows tests need besides the common kit of tests/ProgramRuns.h: the end of a
// relocated copy, variables set for a while, a folder opened to everyone.
#include "platform/kernel/win32/WindowsHeader.h"

#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"
#include "tests/ProgramRuns.h"

namespace mendora::testing {

// A running executable cannot be deleted on Windows: once the copy can be, it has ended.
inline bool WaitUntilEnded(const std::string& executable, int seconds = 120) {
    const std::wstring path = platform::win32::WidePath(executable);
    for (int i = 0; i < seconds * 10; ++i) {
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || DeleteFileW(path.c_str())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Sets a variable of the process environment for the life of the object (nullopt: unset),
// then puts the old value back; started programs inherit it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(platform::win32::Widen(name)) {
        wchar_t old[32768];
        DWORD n = GetEnvironmentVariableW(name_.c_str(), old, 32768);
        if (n > 0 && n < 32768) old_ = std::wstring(old, n);
        SetEnvironmentVariableW(name_.c_str(), value ? platform::win32::Widen(*value).c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// Gives Everyone full control of an existing directory, as a careless program might.
inline bool OpenToEveryone(const std::string& directory) {
    PSECURITY_DESCRIPTOR everyone = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone,
                                                              nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(everyone, &present, &dacl, &defaulted);
    std::wstring path = platform::win32::WidePath(directory);
    DWORD status = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                         dacl, nullptr);
    LocalFree(everyone);
    return status == ERROR_SUCCESS;
}

}  // namespace mendora::testing

#pragma once
// Starting the built Windows program the way a user does, and watching what it writes, with
// paths in UTF-8 whatever the ANSI code page the test runs under.
#include "platform/kernel/win32/WindowsHeader.h"

#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::testing {

inline std::string ReadText(const std::string& path) {
    platform::Win32FileSystem files;
    auto file = files.Open(path, platform::OpenMode::ReadShared);
    if (!file) return {};
    std::string text(static_cast<std::size_t>(file->Length()), '\0');
    long n = file->Read(text.data(), text.size());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline bool WaitForText(const std::string& path, const std::string& text, int seconds = 240) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (Contains(ReadText(path), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

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

// Starts the program with no arguments, its input empty and its output (and that of any
// program it starts with its handles) appended to `output`; answers its exit code once it
// has ended, or -1 when it could not be started or did not end in time (mendora ends when
// its repair has).
inline long RunProgram(const std::string& program, const std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(platform::win32::WidePath(output).c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return -1;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    const std::wstring path = platform::win32::WidePath(program);
    std::wstring commandLine = L"\"" + path + L"\"";
    PROCESS_INFORMATION started{};
    const bool ok = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &started);
    CloseHandle(in);
    CloseHandle(out);
    if (!ok) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(started.hProcess, 600000) == WAIT_OBJECT_0) GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<long>(code);
}

}  // namespace mendora::testing

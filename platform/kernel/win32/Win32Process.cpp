#include "platform/kernel/win32/WindowsHeader.h"

#include <cstdio>
#include <ctime>

#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

class Library : public Module {
public:
    explicit Library(HMODULE handle) : handle_(handle) {}
    ~Library() override { FreeLibrary(handle_); }
    void* Symbol(const std::string& name) override {
        return reinterpret_cast<void*>(GetProcAddress(handle_, name.c_str()));
    }

private:
    HMODULE handle_;
};

}  // namespace

// The module's own path in UTF-16: every folder name works, whatever the ANSI code page.
std::string Win32ProcessHost::ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return win32::PathFromWide(win32::LongSpelling(path));
}

namespace {

// The standard handles go along, so that a console program's copy writes where the first
// one did.
bool StartWithOurHandles(const std::string& path, PROCESS_INFORMATION& started) {
    std::wstring native = win32::WidePath(path);
    std::wstring commandLine = L"\"" + native + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    return CreateProcessW(native.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &started) != 0;
}

}  // namespace

bool Win32ProcessHost::Spawn(const std::string& path) {
    PROCESS_INFORMATION started{};
    if (!StartWithOurHandles(path, started)) return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

std::optional<int> Win32ProcessHost::RunToEnd(const std::string& path) {
    PROCESS_INFORMATION started{};
    if (!StartWithOurHandles(path, started)) return std::nullopt;
    CloseHandle(started.hThread);
    // A console's Ctrl-C reaches the program too, which handles it (it may finish a step on
    // the drive first): ignored here meanwhile, so that this process ends with its status.
    // Set only now, as a started program would inherit it.
    SetConsoleCtrlHandler(nullptr, TRUE);
    DWORD code = 1;
    if (WaitForSingleObject(started.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(started.hProcess, &code))
        code = 1;
    SetConsoleCtrlHandler(nullptr, FALSE);
    CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

Win32NamedMutexes::~Win32NamedMutexes() {
    for (void* handle : held_) CloseHandle(handle);
}

MutexClaim Win32NamedMutexes::Create(const std::string& name) {
    HANDLE handle = CreateMutexW(nullptr, FALSE, win32::Widen(name).c_str());
    DWORD error = GetLastError();
    if (handle == nullptr) return error == ERROR_ACCESS_DENIED ? MutexClaim::AccessDenied : MutexClaim::Failed;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(handle);
        return MutexClaim::AlreadyExists;
    }
    std::lock_guard<std::mutex> hold(mutex_);
    held_.push_back(handle);
    return MutexClaim::Created;
}

std::optional<OsVersion> Win32VersionQuery::Query(VersionRecord record) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = record == VersionRecord::Extended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::nullopt;
#pragma GCC diagnostic pop
    OsVersion v{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId,
                win32::Narrow(info.szCSDVersion)};
    if (build_ != kOsBuildFromHost) v.buildNumber = build_;
    return v;
}

std::optional<bool> Win32AdminRights::IsAdministrator() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators))
        return std::nullopt;
    BOOL member = FALSE;
    BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    if (!checked) return std::nullopt;
    return member != FALSE;
}

Win32DebugOutput::Win32DebugOutput() { target_ = win32::EnvironmentText("MENDORA_DEBUG").value_or(""); }

void Win32DebugOutput::Write(const std::string& line) {
    std::string whole = line + "\n";
    OutputDebugStringW(win32::Widen(whole).c_str());
    if (target_.empty() || target_ == "0") return;
    std::lock_guard<std::mutex> hold(mutex_);
    if (target_ == "1") {
        std::fprintf(stderr, "%s", whole.c_str());
        return;
    }
    HANDLE file = CreateFileW(win32::WidePath(target_).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
    CloseHandle(file);
}

std::uint64_t Win32Clock::TickCount() { return GetTickCount64(); }

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::int64_t Win32Clock::CalendarTime() { return static_cast<std::int64_t>(std::time(nullptr)); }

TimeOfDay Win32Clock::LocalTimeOfDay() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wHour, now.wMinute, now.wSecond};
}

ModuleLoad LoadModuleFile(const std::string& path) {
    ModuleLoad load;
    HMODULE handle = LoadLibraryW(win32::WidePath(path).c_str());
    if (handle == nullptr) {
        DWORD error = GetLastError();
        load.errorCode = error != 0 ? error : kUnknownLoadError;
        load.errorText = win32::NativePath(path) + ": " + win32::ErrorText(error);
        return load;
    }
    load.module = std::make_unique<Library>(handle);
    return load;
}

ModuleLoad Win32ModuleLoader::Load(const std::string& moduleName) {
    ModuleLoad load;
    std::string exe = process_.ExecutablePath();
    std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos || moduleName.find_first_of("/\\:") != std::string::npos) {
        load.errorCode = kUnknownLoadError;
        load.errorText = "no module directory for " + moduleName;
        return load;
    }
    // The full path: the module beside the executable, never one found on the search path.
    return LoadModuleFile(exe.substr(0, slash + 1) + moduleName + ".dll");
}

}  // namespace mendora::platform

#include "platform/kernel/win32/WindowsHeader.h"

#include "platform/kernel/win32/Win32DriveLocks.h"

#include "platform/kernel/DriveLockName.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

constexpr DWORD kGuardWaitMilliseconds = 10000;

std::string ProcessId() { return std::to_string(GetCurrentProcessId()); }

// Holds the process's mutex for takes and releases while it lives.
class ProcessGuard {
public:
    ProcessGuard() {
        std::wstring name = win32::Widen("Local\\mendora-drive-locks-" + ProcessId());
        handle_ = CreateMutexW(nullptr, FALSE, name.c_str());
        if (handle_ == nullptr) return;
        DWORD waited = WaitForSingleObject(handle_, kGuardWaitMilliseconds);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~ProcessGuard() {
        if (held_) ReleaseMutex(handle_);
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    ProcessGuard(const ProcessGuard&) = delete;
    ProcessGuard& operator=(const ProcessGuard&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE handle_ = nullptr;
    bool held_ = false;
};

struct NamedObject {
    HANDLE handle = nullptr;
    bool existed = false;
    DWORD error = 0;
};

// Creates the object or opens the existing one (asking no more access than waiting needs,
// so that an object made by another user's process can still be opened).
NamedObject CreateNamed(const std::string& name) {
    std::wstring wide = win32::Widen(name);
    NamedObject object;
    object.handle = CreateMutexExW(nullptr, wide.c_str(), 0, SYNCHRONIZE);
    object.error = GetLastError();
    object.existed = object.handle != nullptr && object.error == ERROR_ALREADY_EXISTS;
    return object;
}

class HeldObjects : public DriveLock {
public:
    HeldObjects(HANDLE held, HANDLE ours) : held_(held), ours_(ours) {}
    ~HeldObjects() override {
        ProcessGuard guard;
        CloseHandle(held_);
        CloseHandle(ours_);
    }

private:
    HANDLE held_;
    HANDLE ours_;
};

}  // namespace

std::unique_ptr<DriveLock> Win32DriveLocks::TryLock(const std::string& key, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    const std::string name = "mendora-" + DriveLockName(key);
    ProcessGuard guard;
    if (!guard.Held()) {
        *error = key + ": the drive locks of this process cannot be had";
        return nullptr;
    }
    NamedObject ours = CreateNamed("Local\\" + name + "-" + ProcessId());
    if (ours.handle == nullptr) {
        *error = key + ": cannot be locked: " + win32::ErrorText(ours.error);
        return nullptr;
    }
    NamedObject held = CreateNamed("Global\\" + name);
    // Existing without our mark (or closed to us) means another process holds it.
    bool elsewhere = held.handle == nullptr ? held.error == ERROR_ACCESS_DENIED : held.existed && !ours.existed;
    if (held.handle == nullptr || elsewhere) {
        if (held.handle != nullptr) CloseHandle(held.handle);
        CloseHandle(ours.handle);
        *error = elsewhere ? DriveInUseText(key) : key + ": cannot be locked: " + win32::ErrorText(held.error);
        return nullptr;
    }
    return std::make_unique<HeldObjects>(held.handle, ours.handle);
}

std::unique_ptr<DriveLocks> NativeDriveLocks(TempRoot&) { return std::make_unique<Win32DriveLocks>(); }

DriveLocks& ModuleDriveLocks() {
    static Win32DriveLocks locks;
    return locks;
}

}  // namespace mendora::platform

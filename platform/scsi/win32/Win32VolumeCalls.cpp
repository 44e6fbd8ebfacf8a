#include "platform/kernel/win32/WindowsHeader.h"

#include <winioctl.h>

#include "platform/kernel/win32/Win32Text.h"
#include "platform/scsi/win32/Win32DiskHolders.h"

namespace mendora::platform {
namespace {

// A volume is opened by its name without the final '\' (with it, its root folder opens).
HANDLE OpenVolume(const std::string& volume, DWORD access) {
    std::string device = volume;
    if (!device.empty() && device.back() == '\\') device.pop_back();
    return CreateFileW(win32::Widen(device).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

bool Control(HANDLE handle, DWORD code, void* output = nullptr, DWORD outputLength = 0) {
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, output, outputLength, &returned, nullptr) != 0;
}

class LockedHandle : public LockedVolume {
public:
    explicit LockedHandle(HANDLE handle) : handle_(handle) {}
    ~LockedHandle() override { CloseHandle(handle_); }

private:
    HANDLE handle_;
};

class SystemVolumes : public VolumeCalls {
public:
    std::optional<std::vector<std::string>> Volumes() override {
        wchar_t name[MAX_PATH + 1];
        std::vector<std::string> names;
        HANDLE find = FindFirstVolumeW(name, MAX_PATH + 1);
        if (find == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_NO_MORE_FILES) return names;
            return std::nullopt;
        }
        do names.push_back(win32::Narrow(name));
        while (FindNextVolumeW(find, name, MAX_PATH + 1));
        DWORD ended = GetLastError();
        FindVolumeClose(find);
        if (ended != ERROR_NO_MORE_FILES) return std::nullopt;
        return names;
    }

    std::optional<std::vector<std::uint32_t>> DisksOf(const std::string& volume) override {
        HANDLE handle = OpenVolume(volume, 0);
        if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
        // Room for far more extents than a volume spans in practice.
        constexpr DWORD kExtents = 64;
        std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS) + (kExtents - 1) * sizeof(DISK_EXTENT));
        bool answered = Control(handle, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, buffer.data(),
                                static_cast<DWORD>(buffer.size()));
        CloseHandle(handle);
        if (!answered) return std::nullopt;
        const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
        std::vector<std::uint32_t> disks;
        for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < kExtents; ++i)
            disks.push_back(extents->Extents[i].DiskNumber);
        return disks;
    }

    std::vector<std::string> PathsOf(const std::string& volume) override {
        std::wstring wide = win32::Widen(volume);
        DWORD length = 0;
        GetVolumePathNamesForVolumeNameW(wide.c_str(), nullptr, 0, &length);
        if (length == 0) return {};
        std::vector<wchar_t> list(length);
        if (!GetVolumePathNamesForVolumeNameW(wide.c_str(), list.data(), length, &length)) return {};
        std::vector<std::string> paths;
        for (const wchar_t* p = list.data(); *p != L'\0'; p += wcslen(p) + 1) paths.push_back(win32::Narrow(p));
        return paths;
    }

    std::unique_ptr<LockedVolume> LockAndDismount(const std::string& volume, std::uint32_t* error) override {
        HANDLE handle = OpenVolume(volume, GENERIC_READ | GENERIC_WRITE);
        if (handle == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            return nullptr;
        }
        if (!Control(handle, FSCTL_LOCK_VOLUME) || !Control(handle, FSCTL_DISMOUNT_VOLUME)) {
            *error = GetLastError();
            CloseHandle(handle);
            return nullptr;
        }
        return std::make_unique<LockedHandle>(handle);
    }
};

}  // namespace

std::unique_ptr<VolumeCalls> SystemVolumeCalls() { return std::make_unique<SystemVolumes>(); }

}  // namespace mendora::platform

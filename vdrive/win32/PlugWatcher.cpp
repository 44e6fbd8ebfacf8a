// Plug watching on Windows: ReadDirectoryChangesW on the image's folder, overlapped, with an
// event that waiters wait on. Any change in the folder only prompts a look at the image's
// plug fields, so changes to other files cost one read.
#include "vdrive/PlugWatcher.h"

#include <windows.h>

#include <cstddef>

#include "vdrive/ImageFormat.h"
#include "vdrive/win32/WideText.h"

namespace mendora::vdrive {

struct PlugWatcher::Watch {
    HANDLE folder = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    alignas(DWORD) char buffer[4096];

    ~Watch() {
        if (folder != INVALID_HANDLE_VALUE) {
            CancelIo(folder);
            DWORD ignored = 0;
            GetOverlappedResult(folder, &overlapped, &ignored, TRUE);
            CloseHandle(folder);
        }
        if (overlapped.hEvent) CloseHandle(overlapped.hEvent);
    }

    bool Arm() {
        ResetEvent(overlapped.hEvent);
        return ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE,
                                     FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE |
                                         FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES,
                                     nullptr, &overlapped, nullptr) != 0;
    }
};

namespace {

std::string FolderOf(const std::string& path) {
    std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return ".";
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

}  // namespace

PlugWatcher::PlugWatcher(const std::string& imagePath) : path_(imagePath) {
    auto watch = std::make_unique<Watch>();
    watch->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watch->folder = CreateFileW(WideText(FolderOf(path_)).c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (watch->overlapped.hEvent == nullptr || watch->folder == INVALID_HANDLE_VALUE || !watch->Arm() ||
        !ReadPlugState(&plugged_, &generation_))
        return;
    watch_ = std::move(watch);
}

PlugWatcher::~PlugWatcher() = default;

std::intptr_t PlugWatcher::Waitable() const {
    return watch_ ? reinterpret_cast<std::intptr_t>(watch_->overlapped.hEvent) : -1;
}

bool PlugWatcher::ReadPlugState(std::uint32_t* plugged, std::uint32_t* generation) {
    HANDLE file = CreateFileW(WideText(path_).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // plugged and plugGeneration are adjacent, and written together under the image lock.
    std::uint32_t fields[2] = {};
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(format::kStateOffset + offsetof(format::State, plugged));
    DWORD n = 0;
    bool ok = ReadFile(file, fields, sizeof fields, &n, &at) && n == sizeof fields;
    CloseHandle(file);
    *plugged = fields[0];
    *generation = fields[1];
    return ok;
}

std::vector<PlugEvent> PlugWatcher::Poll() {
    if (!watch_) return {};
    DWORD ignored = 0;
    if (GetOverlappedResult(watch_->folder, &watch_->overlapped, &ignored, FALSE) ||
        GetLastError() != ERROR_IO_INCOMPLETE)
        watch_->Arm();
    return EventsSinceLastPoll();
}

}  // namespace mendora::vdrive

// Image files on Windows: handles shared with every other opener, a file mapping, and a
// lock on one byte far past any image's end that every opener takes around each command.
#include "vdrive/ImageFileHost.h"

#include <windows.h>

#include <cstring>

namespace mendora::vdrive::imagehost {
namespace {

// Far past the end of any image, so the locked range never covers bytes that reads and
// writes through other handles touch.
constexpr DWORD kLockOffsetHigh = 0x40000000;

HANDLE Handle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

std::string SystemError(const std::string& what, const std::string& path) {
    char text[256] = {};
    DWORD code = GetLastError();
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    std::string why = n ? std::string(text, n) : "error " + std::to_string(code);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
    return what + " " + path + ": " + why;
}

std::intptr_t OpenWith(const std::string& path, DWORD disposition, const char* what, std::string* error) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = SystemError(what, path);
        return kNoFile;
    }
    return reinterpret_cast<std::intptr_t>(handle);
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

std::intptr_t CreateNew(const std::string& path, std::string* error) {
    return OpenWith(path, CREATE_NEW, "cannot create", error);
}

std::intptr_t OpenExisting(const std::string& path, std::string* error) {
    return OpenWith(path, OPEN_EXISTING, "cannot open", error);
}

void Close(std::intptr_t file) { CloseHandle(Handle(file)); }

void Remove(const std::string& path) { DeleteFileA(path.c_str()); }

bool WriteAt(std::intptr_t file, const void* data, std::size_t size, std::uint64_t offset) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        OVERLAPPED at = At(offset);
        DWORD n = 0;
        if (!WriteFile(Handle(file), bytes, static_cast<DWORD>(size), &n, &at) || n == 0) return false;
        bytes += n;
        size -= n;
        offset += n;
    }
    return true;
}

bool ReadAt(std::intptr_t file, void* data, std::size_t size, std::uint64_t offset) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        OVERLAPPED at = At(offset);
        DWORD n = 0;
        if (!ReadFile(Handle(file), bytes, static_cast<DWORD>(size), &n, &at) || n == 0) return false;
        bytes += n;
        size -= n;
        offset += n;
    }
    return true;
}

std::optional<std::uint64_t> SizeOf(std::intptr_t file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Handle(file), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool SetSize(std::intptr_t file, std::uint64_t size) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(Handle(file), to, nullptr, FILE_BEGIN) && SetEndOfFile(Handle(file));
}

// Extending the file allocates its clusters, so a full disk refuses here.
bool Reserve(std::intptr_t file, std::uint64_t oldSize, std::uint64_t size) {
    auto now = SizeOf(file);
    if (!now) return false;
    if (*now >= size) return true;
    (void)oldSize;
    return SetSize(file, size);
}

bool Lock(std::intptr_t file) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    return LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

void Unlock(std::intptr_t file) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(Handle(file), 0, 1, 0, &at);
}

std::uint8_t* Map(std::intptr_t file, std::uint64_t size, std::intptr_t* mapping, const std::string& path,
                  std::string* error) {
    HANDLE object = CreateFileMappingA(Handle(file), nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                       static_cast<DWORD>(size), nullptr);
    if (object == nullptr) {
        *error = SystemError("cannot map", path);
        return nullptr;
    }
    void* at = MapViewOfFile(object, FILE_MAP_ALL_ACCESS, 0, 0, static_cast<SIZE_T>(size));
    if (at == nullptr) {
        *error = SystemError("cannot map", path);
        CloseHandle(object);
        return nullptr;
    }
    *mapping = reinterpret_cast<std::intptr_t>(object);
    return static_cast<std::uint8_t*>(at);
}

void Unmap(std::uint8_t* base, std::uint64_t, std::intptr_t* mapping) {
    UnmapViewOfFile(base);
    if (*mapping != 0) CloseHandle(reinterpret_cast<HANDLE>(*mapping));
    *mapping = 0;
}

void Zero(std::intptr_t, std::uint8_t* base, std::uint64_t offset, std::uint64_t length) {
    std::memset(base + offset, 0, length);
}

}  // namespace mendora::vdrive::imagehost

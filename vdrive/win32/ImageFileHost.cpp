// Image files on Windows: handles shared with every other opener, a file mapping, and a
// lock word in shared memory that every opener takes around each command.
#include "vdrive/ImageFileHost.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "vdrive/win32/WideText.h"

namespace mendora::vdrive::imagehost {
namespace {

HANDLE Handle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

std::string LastErrorText() {
    wchar_t text[256] = {};
    DWORD code = GetLastError();
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             256, nullptr);
    std::string why = n ? Utf8Text(text, n) : "error " + std::to_string(code);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
    return why;
}

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + LastErrorText();
}

std::intptr_t OpenWith(const std::string& path, DWORD access, DWORD disposition, const char* what,
                      std::string* error) {
    HANDLE handle = CreateFileW(WideText(path).c_str(), access,
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
    return OpenWith(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, "cannot create", error);
}

std::intptr_t OpenExisting(const std::string& path, bool writable, std::string* error) {
    DWORD access = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    return OpenWith(path, access, OPEN_EXISTING, "cannot open", error);
}

void ForgetWord(std::intptr_t file);

void Close(std::intptr_t file) {
    ForgetWord(file);
    CloseHandle(Handle(file));
}

void Remove(const std::string& path) { DeleteFileW(WideText(path).c_str()); }

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

// Extending the file allocates its clusters (an image is never a sparse file here), so a
// full disk refuses here.
bool Reserve(std::intptr_t file, std::uint64_t oldSize, std::uint64_t size, std::string* why) {
    (void)oldSize;
    auto now = SizeOf(file);
    bool done = now && (*now >= size || SetSize(file, size));
    if (!done && why != nullptr) *why = LastErrorText();
    return done;
}

namespace {

// The lock of an image: one word in a small shared section named by the file's identity,
// so that every opener of any path of it finds the same word. It holds the id of the thread
// that holds the lock (thread ids are unique while the thread lives), so taking and giving
// it back cost no call into the system, which matters under wine, where each such call is a
// round trip to its server. A waiter that finds the holder gone takes the lock over, as a
// file lock would be released when its holder ends.
struct LockWord {
    HANDLE section = nullptr;
    volatile LONG* word = nullptr;
};

std::mutex lockWordsGuard;
std::map<std::intptr_t, LockWord> lockWords;

volatile LONG* WordOf(std::intptr_t file) {
    std::lock_guard<std::mutex> hold(lockWordsGuard);
    auto it = lockWords.find(file);
    if (it != lockWords.end()) return it->second.word;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(Handle(file), &info)) return nullptr;
    char name[96];
    std::snprintf(name, sizeof name, "Local\\mendora-vdrive-%08lx-%08lx%08lx", info.dwVolumeSerialNumber,
                  info.nFileIndexHigh, info.nFileIndexLow);
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, WideText(name).c_str());
    if (section == nullptr) return nullptr;
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 64);
    if (view == nullptr) {
        CloseHandle(section);
        return nullptr;
    }
    LockWord entry{section, static_cast<volatile LONG*>(view)};
    lockWords.emplace(file, entry);
    return entry.word;
}

}  // namespace

void ForgetWord(std::intptr_t file) {
    std::lock_guard<std::mutex> hold(lockWordsGuard);
    auto it = lockWords.find(file);
    if (it == lockWords.end()) return;
    UnmapViewOfFile(const_cast<LONG*>(it->second.word));
    CloseHandle(it->second.section);
    lockWords.erase(it);
}

namespace {

bool ThreadIsGone(LONG id) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (thread == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
    bool gone = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return gone;
}

}  // namespace

bool Lock(std::intptr_t file, bool) {
    volatile LONG* word = WordOf(file);
    if (word == nullptr) return false;
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    for (unsigned round = 0;; ++round) {
        LONG holder = InterlockedCompareExchange(word, self, 0);
        if (holder == 0) return true;
        if (round % 256 == 255 && ThreadIsGone(holder)) InterlockedCompareExchange(word, 0, holder);
        if (round < 64) YieldProcessor();
        else Sleep(round < 128 ? 0 : 1);
    }
}

void Unlock(std::intptr_t file) {
    if (volatile LONG* word = WordOf(file)) InterlockedExchange(word, 0);
}

std::uint8_t* Map(std::intptr_t file, std::uint64_t size, bool writable, std::intptr_t* mapping,
                  const std::string& path, std::string* error) {
    HANDLE object = CreateFileMappingW(Handle(file), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                       static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), nullptr);
    if (object == nullptr) {
        *error = SystemError("cannot map", path);
        return nullptr;
    }
    void* at = MapViewOfFile(object, writable ? FILE_MAP_ALL_ACCESS : FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
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

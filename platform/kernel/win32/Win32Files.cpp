#include "platform/kernel/win32/WindowsHeader.h"

#include "platform/kernel/CaseFolding.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

using win32::NativePath;

struct ShareAndDisposition {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

// Creating modes truncate only once the handle is ours (see Open): with share mode 0 the
// open itself fails while anyone else holds the file, which leaves it as it was.
ShareAndDisposition ModeOf(OpenMode mode) {
    switch (mode) {
        case OpenMode::ReadShared: return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING};
        case OpenMode::ReadWriteExisting: return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING};
        case OpenMode::CreateReadWrite: return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS};
        case OpenMode::CreateWriteOnly: return {GENERIC_WRITE, 0, OPEN_ALWAYS};
    }
    return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
}


}  // namespace

Win32File::~Win32File() { CloseHandle(handle_); }

long Win32File::Read(void* buffer, std::size_t count) {
    DWORD n = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &n, nullptr)) return -1;
    return static_cast<long>(n);
}

long Win32File::Write(const void* buffer, std::size_t count) {
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!WriteFile(handle_, bytes + done, static_cast<DWORD>(count - done), &n, nullptr) || n == 0)
            return done > 0 ? static_cast<long>(done) : -1;
        done += n;
    }
    return static_cast<long>(done);
}

bool Win32File::Seek(std::uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
}

std::uint64_t Win32File::Position() {
    LARGE_INTEGER zero{}, at{};
    return SetFilePointerEx(handle_, zero, &at, FILE_CURRENT) ? static_cast<std::uint64_t>(at.QuadPart) : 0;
}

std::uint64_t Win32File::Length() {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle_, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

PathInfo Win32FileSystem::Lookup(const std::string& path) {
    DWORD attributes = GetFileAttributesA(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
    return CreateDirectoryA(NativePath(path).c_str(), nullptr) != 0;
}

// The archive attribute alone: no read-only, hidden or system mark keeps the file from being
// replaced or deleted.
bool Win32FileSystem::SetArchiveOnly(const std::string& path) {
    std::string native = NativePath(path);
    DWORD attributes = GetFileAttributesA(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return SetFileAttributesA(native.c_str(), FILE_ATTRIBUTE_ARCHIVE) != 0;
}

bool Win32FileSystem::Delete(const std::string& path) { return DeleteFileA(NativePath(path).c_str()) != 0; }

bool Win32FileSystem::SetCurrentDirectory(const std::string& path) {
    return SetCurrentDirectoryA(NativePath(path).c_str()) != 0;
}

// Overwrites the target; a running executable cannot be overwritten, which is what keeps a
// second instance from replacing the first.
bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to) {
    return CopyFileA(NativePath(from).c_str(), NativePath(to).c_str(), FALSE) != 0;
}

std::unique_ptr<File> Win32FileSystem::Open(const std::string& path, OpenMode mode) {
    ShareAndDisposition how = ModeOf(mode);
    HANDLE handle = CreateFileA(NativePath(path).c_str(), how.access, how.share, nullptr, how.disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto file = std::make_unique<Win32File>(handle);
    bool truncates = mode == OpenMode::CreateReadWrite || mode == OpenMode::CreateWriteOnly;
    if (truncates && !SetEndOfFile(handle)) return nullptr;
    return file;
}

std::unique_ptr<File> Win32FileSystem::CreateScratch(const std::string& directory, const std::string& prefix,
                                                     std::string* path) {
    for (unsigned n = 1; n < 100000; ++n) {
        std::string candidate = directory + prefix + std::to_string(n);
        HANDLE handle = CreateFileA(NativePath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            *path = candidate;
            return std::make_unique<Win32File>(handle);
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}

bool Win32FileSystem::IsWritable(const std::string& path) {
    DWORD attributes = GetFileAttributesA(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::optional<std::uint64_t> Win32FileSystem::SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(NativePath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::string Win32FileSystem::CheckPrivateDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return "it does not exist";
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a link";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is not a directory";
    return {};
}

std::optional<std::vector<DirectoryEntry>> Win32FileSystem::List(const std::string& path) {
    std::string pattern = NativePath(path);
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<DirectoryEntry>{};
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    do {
        bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        entries.push_back({found.cFileName, directory});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

bool Win32FileSystem::SameSpelling(const std::string& a, const std::string& b) { return EqualIgnoringCase(a, b); }

std::string Win32TempRoot::Directory(std::string* why) {
    char shortPath[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof shortPath, shortPath);
    if (n == 0 || n > MAX_PATH) {
        if (why) *why = "the temporary directory cannot be read";
        return {};
    }
    // The long spelling, so that it compares equal to the executable's own path.
    char longPath[MAX_PATH + 1];
    DWORD m = GetLongPathNameA(shortPath, longPath, sizeof longPath);
    std::string dir = win32::SlashPath(m > 0 && m <= MAX_PATH ? longPath : shortPath);
    if (dir.empty() || dir.back() != '/') dir += '/';
    std::string problem = Win32FileSystem().CheckPrivateDirectory(dir);
    if (!problem.empty()) {
        if (why) *why = dir + ": " + problem;
        return {};
    }
    return dir;
}

}  // namespace mendora::platform

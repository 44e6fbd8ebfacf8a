#include "platform/kernel/win32/WindowsHeader.h"

#include "platform/kernel/OutputFiles.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

using win32::WidePath;

constexpr DWORD kMissing = INVALID_FILE_ATTRIBUTES;

// The folder a file name lies in: "." when the name has none.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return slash == 0 || (slash == 2 && path[1] == ':') ? path.substr(0, slash + 1) : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

// Empty when the name may be written: free, or a file that is not a link; else why not.
std::string CheckEntry(const std::string& path) {
    const std::string name = NameOf(path);
    if (path.empty()) return "no file name was given";
    if (name.empty() || name == "." || name == "..") return "it names a directory";
    const DWORD folder = AttributesOf(FolderOf(path));
    if (folder == kMissing) return "its directory " + FolderOf(path) + " does not exist";
    if (!(folder & FILE_ATTRIBUTE_DIRECTORY)) return FolderOf(path) + " is not a directory";
    const DWORD entry = AttributesOf(path);
    if (entry == kMissing) return {};
    if (entry & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a symbolic link";
    if (entry & FILE_ATTRIBUTE_DIRECTORY) return "it is a directory";
    if (entry & FILE_ATTRIBUTE_READONLY) return "it is read-only";
    return {};
}

}  // namespace

std::string CheckOutputFile(const std::string& path) { return CheckEntry(path); }

std::string PrepareOutputDirectory(const std::string& path) {
    if (path.empty()) return "no directory was given";
    DWORD attributes = AttributesOf(path);
    if (attributes == kMissing) {
        if (!CreateDirectoryW(WidePath(path).c_str(), nullptr))
            return "it cannot be made: " + win32::ErrorText(GetLastError());
        return {};
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a symbolic link";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is not a directory";
    return {};
}

std::unique_ptr<File> CreateOutputFile(const std::string& path, std::string* error) {
    if (*error = CheckEntry(path); !error->empty()) return nullptr;
    // The link itself is opened, never what it points to, should one appear after the check.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = win32::ErrorText(GetLastError());
        return nullptr;
    }
    auto file = std::make_unique<Win32File>(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        *error = "it is a symbolic link";
        return nullptr;
    }
    if (!SetEndOfFile(handle)) {
        *error = win32::ErrorText(GetLastError());
        return nullptr;
    }
    return file;
}

}  // namespace mendora::platform

#include "platform/kernel/win32/WindowsHeader.h"

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>
#include <sys/stat.h>

#include "platform/kernel/AccessList.h"
#include "platform/kernel/CaseFolding.h"
#include "platform/kernel/Descriptors.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

using win32::WidePath;

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

// What the host says about a failed call on a path.
std::string Failure(const std::string& path, DWORD code) { return path + ": " + win32::ErrorText(code); }

// Open handles of other programs that keep a file from being written.
bool IsInUse(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_USER_MAPPED_FILE;
}

// Empty when the path names a real directory (no link); else why not.
std::string DirectoryProblem(const std::string& path) {
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return "it does not exist";
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a link";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is not a directory";
    return {};
}

std::string SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) return "an unknown principal";
    std::string out = win32::Narrow(text);
    LocalFree(text);
    return out;
}

std::string AccountName(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (sid == nullptr || !LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return {};
    std::string account = win32::Narrow(name);
    return domainSize > 0 && domain[0] != L'\0' ? win32::Narrow(domain) + "\\" + account : account;
}

// Allow and deny entries, plain or with a callback, carry their principal right after the
// mask. Other kinds (object entries, which files do not use) are not read: they count as
// letting anyone do anything.
bool IsPlainEntry(BYTE type) {
    return type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
           type == ACCESS_DENIED_CALLBACK_ACE_TYPE;
}

bool IsDenyEntry(BYTE type) { return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_ACE_TYPE; }

// What the user's token says: its user, and whether a process of the same user can run
// with fewer rights than this one (an elevated token has a limited twin).
struct TokenFacts {
    std::string user;
    bool userMayRunWithFewerRights = true;
};

// Wine runs every program as one Unix user whatever its token says, and its files carry
// no access lists of their own (it derives them from the Unix permissions): no process of
// the user has fewer rights than another there.
bool ProcessesOfOneUserShareRights() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TokenFacts ReadTokenFacts() {
    TokenFacts facts;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return facts;
    union {
        TOKEN_USER user;
        std::uint8_t bytes[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    } user{};
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, &user, sizeof user, &size)) facts.user = SidText(user.user.User.Sid);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeFull;
    if (!GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size)) type = TokenElevationTypeFull;
    CloseHandle(token);
    facts.userMayRunWithFewerRights = type == TokenElevationTypeFull && !ProcessesOfOneUserShareRights();
    return facts;
}

const TokenFacts& Token() {
    static const TokenFacts facts = ReadTokenFacts();
    return facts;
}

}  // namespace

AccessList AccessListOf(const void* descriptor) {
    AccessList list;
    auto* sd = const_cast<void*>(descriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner != nullptr) {
        list.owner = SidText(owner);
        list.ownerName = AccountName(owner);
    }
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !present || dacl == nullptr) {
        list.present = false;
        return list;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (!IsPlainEntry(header->AceType)) {
            list.entries.push_back({true, "an access entry of kind " + std::to_string(header->AceType), "", ~0u});
            continue;
        }
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &entry->SidStart;
        list.entries.push_back({!IsDenyEntry(header->AceType), SidText(sid), AccountName(sid), entry->Mask});
    }
    return list;
}

std::string JudgeDirectorySecurity(const void* descriptor, const std::string& user, bool userMayRunWithFewerRights) {
    return JudgeAccessList(AccessListOf(descriptor), TrustedPrincipals(user, userMayRunWithFewerRights));
}

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
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
}

// The archive attribute alone: no read-only, hidden or system mark keeps the file from being
// replaced or deleted.
bool Win32FileSystem::SetArchiveOnly(const std::string& path) {
    std::wstring native = WidePath(path);
    DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_ARCHIVE) != 0;
}

bool Win32FileSystem::Delete(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }

bool Win32FileSystem::SetCurrentDirectory(const std::string& path) {
    return SetCurrentDirectoryW(WidePath(path).c_str()) != 0;
}

// Overwrites the target; a running executable cannot be overwritten, which is what keeps a
// second instance from replacing the first.
bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to, FileError* error) {
    if (CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE)) return true;
    DWORD code = GetLastError();
    // Which of the two was the trouble: the source is there to be read unless it is gone.
    const bool sourceMissing = GetFileAttributesW(WidePath(from).c_str()) == INVALID_FILE_ATTRIBUTES;
    if (error) *error = {IsInUse(code), Failure(sourceMissing ? from : to, code)};
    return false;
}

std::unique_ptr<File> Win32FileSystem::Open(const std::string& path, OpenMode mode) {
    ShareAndDisposition how = ModeOf(mode);
    HANDLE handle = CreateFileW(WidePath(path).c_str(), how.access, how.share, nullptr, how.disposition,
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
        HANDLE handle = CreateFileW(WidePath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::optional<std::uint64_t> Win32FileSystem::SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// Made with its access list in one step, so that there is no moment in which others may
// write to it. The administrators own it; a token that may not hand ownership to them
// (not elevated) leaves the owner to the host.
bool Win32FileSystem::CreatePrivateDirectory(const std::string& path, std::string* why) {
    const TokenFacts& token = Token();
    std::string descriptor = PrivateDirectoryDescriptor(token.user, token.userMayRunWithFewerRights);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(win32::Widen(descriptor).c_str(), SDDL_REVISION_1,
                                                                  &security.lpSecurityDescriptor, nullptr)) {
            if (why) *why = "its access list cannot be built: " + win32::ErrorText(GetLastError());
            return false;
        }
        BOOL made = CreateDirectoryW(WidePath(path).c_str(), &security);
        DWORD code = GetLastError();
        LocalFree(security.lpSecurityDescriptor);
        if (made) return true;
        if (code != ERROR_INVALID_OWNER || descriptor.rfind("O:BA", 0) != 0) {
            if (why) *why = win32::ErrorText(code);
            return false;
        }
        descriptor = descriptor.substr(4);
    }
    return false;
}

// Judged through a handle on the directory itself (never what a link points to), so that
// what is judged is what was found.
std::string Win32FileSystem::CheckPrivateDirectory(const std::string& path) {
    if (std::string problem = DirectoryProblem(path); !problem.empty()) return problem;
    HANDLE handle = CreateFileW(WidePath(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "it cannot be opened: " + win32::ErrorText(GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::string problem;
    if (!GetFileInformationByHandle(handle, &info)) {
        problem = "it cannot be read: " + win32::ErrorText(GetLastError());
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        problem = "it is a link";
    } else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problem = "it is not a directory";
    } else if (DWORD code = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, nullptr, nullptr, &descriptor);
               code != ERROR_SUCCESS) {
        problem = "its access list cannot be read: " + win32::ErrorText(code);
    } else {
        problem = JudgeDirectorySecurity(descriptor, Token().user, Token().userMayRunWithFewerRights);
    }
    if (descriptor) LocalFree(descriptor);
    CloseHandle(handle);
    return problem;
}

std::optional<std::vector<DirectoryEntry>> Win32FileSystem::List(const std::string& path) {
    std::wstring pattern = WidePath(path);
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L"*.*";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<DirectoryEntry>{};
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    do {
        bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        entries.push_back({win32::Narrow(found.cFileName), directory});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

bool Win32FileSystem::SameSpelling(const std::string& a, const std::string& b) { return EqualIgnoringCase(a, b); }

// The temporary directory is the user's own; the work directory made inside it carries
// the access list that keeps others out.
std::string Win32TempRoot::Directory(std::string* why) {
    std::wstring shortPath(MAX_PATH + 1, L'\0');
    DWORD n = GetTempPathW(static_cast<DWORD>(shortPath.size()), shortPath.data());
    if (n > shortPath.size()) {
        shortPath.resize(n);
        n = GetTempPathW(static_cast<DWORD>(shortPath.size()), shortPath.data());
    }
    if (n == 0 || n >= shortPath.size()) {
        if (why) *why = "the temporary directory cannot be read";
        return {};
    }
    shortPath.resize(n);
    // The long spelling, so that it compares equal to the executable's own path.
    std::string dir = win32::PathFromWide(win32::LongSpelling(shortPath));
    if (dir.empty() || dir.back() != '/') dir += '/';
    if (std::string problem = DirectoryProblem(dir); !problem.empty()) {
        if (why) *why = dir + ": " + problem;
        return {};
    }
    return dir;
}

int OpenDescriptor(const std::string& path, DescriptorMode mode) {
    const std::wstring native = WidePath(path);
    if (mode == DescriptorMode::Read) return _wopen(native.c_str(), _O_RDONLY | _O_BINARY);
    return _wopen(native.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

void CloseDescriptor(int descriptor) { _close(descriptor); }

}  // namespace mendora::platform

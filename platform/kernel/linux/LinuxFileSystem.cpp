#include "platform/kernel/linux/LinuxFileSystem.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <vector>

#include "platform/kernel/linux/LinuxFile.h"

namespace mendora::platform {
namespace {

constexpr mode_t kExecutableBits = S_IXUSR | S_IXGRP | S_IXOTH;

// "No sharing": an exclusive advisory lock that fails at once when someone holds one.
bool LockExclusively(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// Creating modes truncate only once the lock is held (see Open), never in open(2).
int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::ReadShared: return O_RDONLY;
        case OpenMode::ReadWriteExisting: return O_RDWR;
        case OpenMode::CreateReadWrite: return O_RDWR | O_CREAT;
        case OpenMode::CreateWriteOnly: return O_WRONLY | O_CREAT;
    }
    return O_RDONLY;
}

bool Truncates(OpenMode mode) {
    return mode == OpenMode::CreateReadWrite || mode == OpenMode::CreateWriteOnly;
}

}  // namespace

PathInfo LinuxFileSystem::Lookup(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {true, S_ISDIR(st.st_mode)};
}

bool LinuxFileSystem::CreateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

bool LinuxFileSystem::SetArchiveOnly(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    mode_t mode = S_IRUSR | S_IWUSR;
    if (st.st_mode & kExecutableBits) mode |= S_IXUSR;
    return ::chmod(path.c_str(), mode) == 0;
}

bool LinuxFileSystem::Delete(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool LinuxFileSystem::SetCurrentDirectory(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

bool LinuxFileSystem::CopyFile(const std::string& from, const std::string& to, FileError* error) {
    auto fail = [&](const std::string& path) {
        int code = errno;
        if (error) *error = {code == ETXTBSY, path + ": " + std::generic_category().message(code)};
        return false;
    };
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail(from);
    LinuxFile source(in);
    struct stat st {};
    if (::fstat(in, &st) != 0) return fail(from);
    // Truncating in place (never unlink and recreate) makes the copy fail with ETXTBSY
    // while the target runs, which is what keeps a second instance from replacing it.
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, st.st_mode & 0777);
    if (out < 0) return fail(to);
    LinuxFile target(out);
    std::vector<char> chunk(1 << 16);
    for (;;) {
        long n = source.Read(chunk.data(), chunk.size());
        if (n < 0) return fail(from);
        if (n == 0) break;
        errno = 0;
        if (target.Write(chunk.data(), static_cast<std::size_t>(n)) != n) {
            if (errno == 0) errno = ENOSPC;  // a short write: the disk is full
            return fail(to);
        }
    }
    return ::fchmod(out, st.st_mode & 0777) == 0 || fail(to);
}

std::unique_ptr<File> LinuxFileSystem::Open(const std::string& path, OpenMode mode) {
    int fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return nullptr;
    auto file = std::make_unique<LinuxFile>(fd);
    if (mode != OpenMode::ReadShared && !LockExclusively(fd)) return nullptr;
    // Emptied only after the lock is ours, so a refused open leaves the file as it was.
    if (Truncates(mode) && ::ftruncate(fd, 0) != 0) return nullptr;
    return file;
}

std::unique_ptr<File> LinuxFileSystem::CreateScratch(const std::string& directory,
                                                     const std::string& prefix,
                                                     std::string* path) {
    for (unsigned n = 1; n < 100000; ++n) {
        std::string candidate = directory + prefix + std::to_string(n);
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *path = candidate;
            auto file = std::make_unique<LinuxFile>(fd);
            LockExclusively(fd);
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

bool LinuxFileSystem::IsWritable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

std::optional<std::uint64_t> LinuxFileSystem::SizeOf(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    LinuxFile file(fd);
    return file.Length();
}

bool LinuxFileSystem::CreatePrivateDirectory(const std::string& path, std::string* why) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (why) *why = std::generic_category().message(errno);
    return false;
}

std::string LinuxFileSystem::CheckPrivateDirectory(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "it does not exist";
    if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return "it is not a directory";
    if (st.st_uid != ::geteuid()) return "it belongs to another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return "other users may write to it";
    return {};
}

std::optional<std::vector<DirectoryEntry>> LinuxFileSystem::List(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        DirectoryEntry e{entry->d_name, entry->d_type == DT_DIR};
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            std::string full = path + "/" + entry->d_name;
            e.isDirectory = ::lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    return entries;
}

// Linux file systems tell letter case apart: "ufdapp" is another directory than "UfdApp".
bool LinuxFileSystem::SameSpelling(const std::string& a, const std::string& b) { return a == b; }

}  // namespace mendora::platform

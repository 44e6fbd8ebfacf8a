#include "platform/kernel/OutputFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/linux/LinuxFile.h"

namespace mendora::platform {
namespace {

// The text of errno; taken before any other call can change it.
std::string ErrorText(int error) { return std::strerror(error); }

// "a/b/c" -> "a/b" and "c"; "c" -> "." and "c"; "/c" -> "/" and "c".
struct Place {
    std::string directory;
    std::string name;
};

Place Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Empty when the path can name a file at all; else why not.
std::string CheckName(const std::string& path, const Place& place) {
    if (path.empty()) return "no file name was given";
    if (place.name.empty() || place.name == "." || place.name == "..") return "it names a directory";
    return {};
}

// A directory descriptor for lookups relative to it, closed on destruction.
class Directory {
public:
    explicit Directory(const std::string& path) : fd_(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {
        const int error = fd_ < 0 || ::fstat(fd_, &stat_) != 0 ? errno : 0;
        if (error == ENOENT) why_ = "its directory " + path + " does not exist";
        else if (error == ENOTDIR) why_ = path + " is not a directory";
        else if (error != 0) why_ = "its directory " + path + " cannot be used: " + ErrorText(error);
    }
    ~Directory() {
        if (fd_ >= 0) ::close(fd_);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    int Fd() const { return fd_; }
    const std::string& Why() const { return why_; }
    // Another user can add, remove or rename its entries.
    bool Shared() const { return (stat_.st_mode & (S_IWGRP | S_IWOTH)) != 0 || stat_.st_uid != ::geteuid(); }

private:
    int fd_;
    struct stat stat_ {};
    std::string why_;
};

// Empty when the entry already at the name may be written over; else why not.
std::string Replaceable(const Directory& directory, const struct stat& entry) {
    if (S_ISLNK(entry.st_mode)) return "it is a symbolic link";
    if (S_ISDIR(entry.st_mode)) return "it is a directory";
    if (S_ISCHR(entry.st_mode)) return {};  // a device such as /dev/null: written to, never emptied
    if (!S_ISREG(entry.st_mode)) return "it is not a regular file";
    if (directory.Shared() && (entry.st_uid != ::geteuid() || entry.st_nlink != 1))
        return "it is a file this user did not make, in a directory other users can write to";
    return {};
}

// Opens the existing entry checked as `before`, unless it was swapped in the meantime.
int OpenExisting(const Directory& directory, const std::string& name, const struct stat& before, std::string* error) {
    // Non-blocking, so that a pipe swapped in cannot hold the open; cleared once checked.
    int fd = ::openat(directory.Fd(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ELOOP ? "it is a symbolic link" : ErrorText(errno);
        return -1;
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_dev != before.st_dev || now.st_ino != before.st_ino) {
        *error = "it changed while it was being opened";
    } else if (S_ISREG(now.st_mode) && ::ftruncate(fd, 0) != 0) {
        *error = ErrorText(errno);
    } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        *error = ErrorText(errno);
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

std::string CheckOutputFile(const std::string& path) {
    const Place place = Split(path);
    if (std::string why = CheckName(path, place); !why.empty()) return why;
    Directory directory(place.directory);
    if (!directory.Why().empty()) return directory.Why();
    struct stat entry {};
    if (::fstatat(directory.Fd(), place.name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        if (std::string why = Replaceable(directory, entry); !why.empty()) return why;
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
            const int error = errno;
            return "it cannot be written: " + ErrorText(error);
        }
        return {};
    }
    if (errno != ENOENT) return ErrorText(errno);
    if (::faccessat(AT_FDCWD, place.directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return "no file can be made in " + place.directory + ": " + ErrorText(error);
    }
    return {};
}

std::string PrepareOutputDirectory(const std::string& given) {
    if (given.empty()) return "no directory was given";
    // "maps/" would look through a link named maps.
    std::string path = given;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) {
        if (errno != ENOENT) return ErrorText(errno);
        if (::mkdir(path.c_str(), 0777) != 0) {
            const int error = errno;
            return error == ENOENT ? "its parent directory does not exist" : "it cannot be made: " + ErrorText(error);
        }
    } else if (S_ISLNK(entry.st_mode)) {
        return "it is a symbolic link";
    } else if (!S_ISDIR(entry.st_mode)) {
        return "it is not a directory";
    }
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return "no file can be made in it: " + ErrorText(error);
    }
    return {};
}

std::unique_ptr<File> CreateOutputFile(const std::string& path, std::string* error) {
    const Place place = Split(path);
    if (*error = CheckName(path, place); !error->empty()) return nullptr;
    Directory directory(place.directory);
    if (*error = directory.Why(); !error->empty()) return nullptr;
    const char* name = place.name.c_str();
    int fd = ::openat(directory.Fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return std::make_unique<LinuxFile>(fd);
    if (errno != EEXIST) {
        *error = ErrorText(errno);
        return nullptr;
    }
    struct stat before {};
    if (::fstatat(directory.Fd(), name, &before, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = ErrorText(errno);
        return nullptr;
    }
    if (*error = Replaceable(directory, before); !error->empty()) return nullptr;
    fd = OpenExisting(directory, place.name, before, error);
    return fd < 0 ? nullptr : std::make_unique<LinuxFile>(fd);
}

}  // namespace mendora::platform

#include "platform/kernel/linux/LinuxDriveLocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/kernel/DriveLockName.h"
#include "platform/kernel/linux/DriveLockDirectory.h"
#include "platform/kernel/linux/LinuxTempRoot.h"
#include "platform/kernel/linux/ProcessLockFile.h"

namespace mendora::platform {
namespace {

std::string SystemError(const std::string& path, const std::string& what, int code) {
    return path + ": " + what + ": " + std::strerror(code);
}

// Never follows a link, never blocks on something planted in place of the file.
int OpenLockFile(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        *error = SystemError(path, "cannot be opened", errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = path + ": is not a plain file";
        return -1;
    }
    return fd;
}

// The lock files this module holds or keeps open, with the module's holders of each.
class ModuleHolds {
public:
    bool Take(const std::string& path, const std::string& key, std::string* error) {
        std::lock_guard<std::mutex> guard(mutex_);
        Entry& entry = entries_[path];
        if (entry.holders > 0) {
            ++entry.holders;
            return true;
        }
        if (entry.fd < 0) entry.fd = OpenLockFile(path, error);
        if (entry.fd < 0) {
            entries_.erase(path);
            return false;
        }
        int code = 0;
        ProcessLockTake take = TakeProcessLock(entry.fd, &code);
        if (take == ProcessLockTake::Taken) {
            entry.holders = 1;
            return true;
        }
        *error = take == ProcessLockTake::HeldElsewhere ? DriveInUseText(key)
                                                         : SystemError(path, "cannot be locked", code);
        if (CloseUnlessHeld(entry.fd)) entries_.erase(path);
        return false;
    }

    void Release(const std::string& path) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = entries_.find(path);
        if (it == entries_.end() || --it->second.holders > 0) return;
        if (ReleaseProcessLock(it->second.fd)) entries_.erase(it);
    }

private:
    struct Entry {
        int fd = -1;
        int holders = 0;
    };
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

// Its descriptors are never closed when the module unloads: that would drop the lock
// another module of the process still holds. The table itself goes with the module.
ModuleHolds& Holds() {
    static ModuleHolds holds;
    return holds;
}

class HeldLockFile : public DriveLock {
public:
    explicit HeldLockFile(std::string path) : path_(std::move(path)) {}
    ~HeldLockFile() override { Holds().Release(path_); }

private:
    std::string path_;
};

}  // namespace

std::unique_ptr<DriveLock> LinuxDriveLocks::TryLock(const std::string& key, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::string why;
    std::string directory = tempRoot_ ? DriveLockDirectory(*tempRoot_, &why) : directory_;
    if (directory.empty()) {
        *error = "no directory for drive locks: " + why;
        return nullptr;
    }
    std::string path = directory + DriveLockName(key) + ".lock";
    if (!Holds().Take(path, key, error)) return nullptr;
    return std::make_unique<HeldLockFile>(path);
}

std::unique_ptr<DriveLocks> NativeDriveLocks(TempRoot& tempRoot) { return std::make_unique<LinuxDriveLocks>(tempRoot); }

DriveLocks& ModuleDriveLocks() {
    static LinuxTempRoot tempRoot;
    static LinuxDriveLocks locks(tempRoot);
    return locks;
}

}  // namespace mendora::platform

#include "platform/kernel/linux/ProcessLockFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace mendora::platform {
namespace {

constexpr off_t kProcessByte = 0;
constexpr off_t kHolderByte = 1;
constexpr off_t kGuardByte = 2;
// The guard is held for a few system calls; waiting longer means its holder is stopped.
constexpr int kGuardWaitMilliseconds = 5000;

struct flock Byte(short type, off_t byte) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    return range;
}

bool SetDescriptionLock(int fd, short type, off_t byte) {
    struct flock range = Byte(type, byte);
    return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
}

bool TakeGuard(int fd) {
    for (int waited = 0; waited < kGuardWaitMilliseconds; ++waited) {
        if (SetDescriptionLock(fd, F_WRLCK, kGuardByte)) return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    errno = ETIMEDOUT;
    return false;
}

void DropGuard(int fd) { SetDescriptionLock(fd, F_UNLCK, kGuardByte); }

// Whether a descriptor other than fd holds byte 1. Under the guard only descriptors of the
// process holding byte 0 can. An unanswerable question counts as held: keeping a
// descriptor open costs little, closing a held one loses the lock.
bool OthersHold(int fd) {
    struct flock range = Byte(F_WRLCK, kHolderByte);
    if (::fcntl(fd, F_OFD_GETLK, &range) != 0) return true;
    return range.l_type != F_UNLCK;
}

// Under the guard, with fd holding nothing: drops the process's lock and closes fd (which
// drops the guard too) when nobody holds the file; else drops the guard alone.
bool CloseUnderGuardUnlessHeld(int fd) {
    if (OthersHold(fd)) {
        DropGuard(fd);
        return false;
    }
    struct flock process = Byte(F_UNLCK, kProcessByte);
    ::fcntl(fd, F_SETLK, &process);
    ::close(fd);
    return true;
}

}  // namespace

ProcessLockTake TakeProcessLock(int fd, int* error) {
    if (!TakeGuard(fd)) {
        *error = errno;
        return ProcessLockTake::Failed;
    }
    struct flock process = Byte(F_WRLCK, kProcessByte);
    if (::fcntl(fd, F_SETLK, &process) != 0) {
        *error = errno;
        DropGuard(fd);
        return *error == EAGAIN || *error == EACCES ? ProcessLockTake::HeldElsewhere : ProcessLockTake::Failed;
    }
    if (!SetDescriptionLock(fd, F_RDLCK, kHolderByte)) {
        *error = errno;
        if (!OthersHold(fd)) {
            struct flock unlock = Byte(F_UNLCK, kProcessByte);
            ::fcntl(fd, F_SETLK, &unlock);
        }
        DropGuard(fd);
        return ProcessLockTake::Failed;
    }
    DropGuard(fd);
    return ProcessLockTake::Taken;
}

bool ReleaseProcessLock(int fd) {
    // Without the guard the hold stays: the lock is then kept until the process ends, which
    // is safer than dropping it under another module.
    if (!TakeGuard(fd)) return false;
    SetDescriptionLock(fd, F_UNLCK, kHolderByte);
    return CloseUnderGuardUnlessHeld(fd);
}

bool CloseUnlessHeld(int fd) {
    if (!TakeGuard(fd)) return false;
    return CloseUnderGuardUnlessHeld(fd);
}

}  // namespace mendora::platform

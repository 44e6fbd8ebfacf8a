// Image files on POSIX hosts: descriptors, open-file-description locks, mmap.
#include "vdrive/ImageFileHost.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mendora::vdrive::imagehost {
namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Moves all size bytes at offset with pread or pwrite, resuming after short transfers.
template <typename Byte, typename Transfer>
bool TransferAll(Transfer transfer, int fd, Byte* bytes, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        ssize_t n = transfer(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool LockFile(int fd, short type) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &region) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

int Fd(std::intptr_t file) { return static_cast<int>(file); }

}  // namespace

std::intptr_t CreateNew(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) *error = SystemError("cannot create", path);
    return fd < 0 ? kNoFile : fd;
}

std::intptr_t OpenExisting(const std::string& path, bool writable, std::string* error) {
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) *error = SystemError("cannot open", path);
    return fd < 0 ? kNoFile : fd;
}

void Close(std::intptr_t file) { ::close(Fd(file)); }

void Remove(const std::string& path) { ::unlink(path.c_str()); }

bool WriteAt(std::intptr_t file, const void* data, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pwrite, Fd(file), static_cast<const char*>(data), size, offset);
}

bool ReadAt(std::intptr_t file, void* data, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pread, Fd(file), static_cast<char*>(data), size, offset);
}

std::optional<std::uint64_t> SizeOf(std::intptr_t file) {
    struct stat info {};
    if (::fstat(Fd(file), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool SetSize(std::intptr_t file, std::uint64_t size) { return ::ftruncate(Fd(file), static_cast<off_t>(size)) == 0; }

bool Reserve(std::intptr_t file, std::uint64_t oldSize, std::uint64_t size, std::string* why) {
    int failed = ::posix_fallocate(Fd(file), static_cast<off_t>(oldSize), static_cast<off_t>(size - oldSize));
    if (failed != 0 && why != nullptr) *why = std::strerror(failed);
    return failed == 0;
}

bool Lock(std::intptr_t file, bool writable) { return LockFile(Fd(file), writable ? F_WRLCK : F_RDLCK); }

void Unlock(std::intptr_t file) { LockFile(Fd(file), F_UNLCK); }

std::uint8_t* Map(std::intptr_t file, std::uint64_t size, bool writable, std::intptr_t*, const std::string& path,
                  std::string* error) {
    void* at = ::mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, Fd(file), 0);
    if (at == MAP_FAILED) {
        *error = SystemError("cannot map", path);
        return nullptr;
    }
    return static_cast<std::uint8_t*>(at);
}

void Unmap(std::uint8_t* base, std::uint64_t size, std::intptr_t*) { ::munmap(base, size); }

void Zero(std::intptr_t file, std::uint8_t* base, std::uint64_t offset, std::uint64_t length) {
    // A hole would give the space back, and a full disk would then fail the next write there
    // as a fault on the mapping: zero in place, by the file system where it can.
    if (::fallocate(Fd(file), FALLOC_FL_ZERO_RANGE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                    static_cast<off_t>(length)) != 0) {
        std::memset(base + offset, 0, length);
    }
}

}  // namespace mendora::vdrive::imagehost

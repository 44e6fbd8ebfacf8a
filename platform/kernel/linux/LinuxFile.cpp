#include "platform/kernel/linux/LinuxFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/Descriptors.h"

namespace mendora::platform {

LinuxFile::~LinuxFile() { ::close(fd_); }

long LinuxFile::Read(void* buffer, std::size_t count) {
    ssize_t n;
    do {
        n = ::read(fd_, buffer, count);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long LinuxFile::Write(const void* buffer, std::size_t count) {
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done > 0 ? static_cast<long>(done) : -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool LinuxFile::Seek(std::uint64_t position) {
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
}

std::uint64_t LinuxFile::Position() {
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

std::uint64_t LinuxFile::Length() {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Created with the mode a gzip writer gives its files (0666 less the umask).
int OpenDescriptor(const std::string& path, DescriptorMode mode) {
    if (mode == DescriptorMode::Read) return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

void CloseDescriptor(int descriptor) { ::close(descriptor); }

}  // namespace mendora::platform

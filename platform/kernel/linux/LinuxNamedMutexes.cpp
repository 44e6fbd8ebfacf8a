#include "platform/kernel/linux/LinuxNamedMutexes.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace mendora::platform {

MutexClaim LinuxNamedMutexes::Create(const std::string& name) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return MutexClaim::Failed;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    // Abstract namespace: a leading NUL, then the name (cut to what the address holds).
    std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
        return MutexClaim::Created;  // the descriptor stays open until the process ends
    }
    int error = errno;
    ::close(fd);
    if (error == EADDRINUSE) return MutexClaim::AlreadyExists;
    if (error == EACCES || error == EPERM) return MutexClaim::AccessDenied;
    return MutexClaim::Failed;
}

}  // namespace mendora::platform

#include "platform/ui/WindowActivation.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>

namespace mendora::platform {
namespace {

constexpr char kRequest[] = "activate";
constexpr char kReply[] = "ok";
constexpr int kAnswerTimeoutMs = 2000;
constexpr int kRequestTimeoutMs = 500;

// The abstract address (leading NUL, no file) for the title; none when it does not fit.
std::optional<std::pair<sockaddr_un, socklen_t>> AddressFor(const std::string& title) {
    std::string name = "mendora-window-" + std::to_string(getuid()) + "-" + title;
    sockaddr_un address{};
    if (name.size() + 1 > sizeof(address.sun_path)) return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    return std::make_pair(address, static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size()));
}

bool WaitReadable(int fd, int milliseconds) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, milliseconds) == 1 && (p.revents & POLLIN);
}

// Reads one short message, up to the peer's end of it or the buffer.
std::string ReadMessage(int fd, int milliseconds) {
    char buffer[16];
    if (!WaitReadable(fd, milliseconds)) return {};
    ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool SameUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == getuid();
}

}  // namespace

WindowActivationListener::WindowActivationListener(const std::string& title, std::function<void()> activate)
    : activate_(std::move(activate)) {
    auto address = AddressFor(title);
    if (!address) return;
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&address->first), address->second) != 0 || listen(fd_, 8) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

WindowActivationListener::~WindowActivationListener() {
    if (fd_ >= 0) close(fd_);
}

void WindowActivationListener::Serve() {
    if (fd_ < 0) return;
    for (int peer; (peer = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        // The request follows the connection at once; a silent peer is dropped.
        if (SameUser(peer) && ReadMessage(peer, kRequestTimeoutMs) == kRequest) {
            activate_();
            send(peer, kReply, sizeof(kReply) - 1, MSG_NOSIGNAL);
        }
        close(peer);
    }
}

void WindowActivationListener::ServeFor(int milliseconds) {
    if (fd_ >= 0 && WaitReadable(fd_, milliseconds)) Serve();
}

bool RequestWindowActivation(const std::string& title) {
    auto address = AddressFor(title);
    if (!address) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool answered = connect(fd, reinterpret_cast<const sockaddr*>(&address->first), address->second) == 0 &&
                    send(fd, kRequest, sizeof(kRequest) - 1, MSG_NOSIGNAL) == sizeof(kRequest) - 1 &&
                    ReadMessage(fd, kAnswerTimeoutMs) == kReply;
    close(fd);
    return answered;
}

}  // namespace mendora::platform

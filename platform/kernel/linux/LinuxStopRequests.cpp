#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

#include "platform/kernel/StopRequests.h"

namespace mendora::platform {

// The signals are read from a signalfd by one thread; a pipe wakes it to end.
struct StopRequests::Host {
    sigset_t stops{};
    sigset_t previous{};
    int signals = -1;
    int wake[2] = {-1, -1};
    std::thread reader;
};

namespace {

void Read(StopRequests::Host& host, const StopRequests::OnStop& onStop) {
    int count = 0;
    for (;;) {
        pollfd fds[2] = {{host.signals, POLLIN, 0}, {host.wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        signalfd_siginfo info{};
        if (::read(host.signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) onStop(++count);
    }
}

}  // namespace

StopRequests::StopRequests(OnStop onStop) : host_(std::make_unique<Host>()) {
    // A reader that went away is seen as a failed write, not as a signal that ends us.
    std::signal(SIGPIPE, SIG_IGN);
    sigemptyset(&host_->stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&host_->stops, s);
    ::pthread_sigmask(SIG_BLOCK, &host_->stops, &host_->previous);
    host_->signals = ::signalfd(-1, &host_->stops, SFD_CLOEXEC);
    if (host_->signals < 0 || ::pipe2(host_->wake, O_CLOEXEC) != 0) return;
    host_->reader = std::thread(Read, std::ref(*host_), std::move(onStop));
}

StopRequests::~StopRequests() {
    if (host_->reader.joinable()) {
        const char end = 0;
        (void)!::write(host_->wake[1], &end, 1);
        host_->reader.join();
    }
    for (int fd : {host_->signals, host_->wake[0], host_->wake[1]})
        if (fd >= 0) ::close(fd);
    ::pthread_sigmask(SIG_SETMASK, &host_->previous, nullptr);
}

}  // namespace mendora::platform

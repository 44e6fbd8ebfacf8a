#include "vdrive/ShrinkGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace mendora::vdrive {
namespace {

// Lock-free slots, so that the signal handler can read them at any moment.
struct Watched {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> damaged{false};
};

constexpr int kSlots = 64;
Watched slots[kSlots];
struct sigaction previous;
std::uintptr_t pageMask = 0;

void OnBusError(int, siginfo_t* info, void*) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Watched& w : slots) {
        const std::uintptr_t begin = w.begin.load(), end = w.end.load();
        if (begin == 0 || at < begin || at >= end) continue;
        const std::uintptr_t page = at & pageMask;
        void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            w.damaged.store(true);
            return;  // the access is made again, now on a zero page
        }
    }
    // Not one of ours: the fault is raised again under the handler that was there before.
    ::sigaction(SIGBUS, &previous, nullptr);
}

void InstallOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageMask = ~(static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)) - 1);
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previous);
    });
}

}  // namespace

void WatchMapping(void* base, std::size_t size) {
    InstallOnce();
    const auto begin = reinterpret_cast<std::uintptr_t>(base);
    for (Watched& w : slots) {
        std::uintptr_t free = 0;
        if (!w.begin.compare_exchange_strong(free, begin)) continue;
        w.damaged.store(false);
        w.end.store(begin + size);
        return;
    }
}

void ForgetMapping(void* base) {
    const auto begin = reinterpret_cast<std::uintptr_t>(base);
    for (Watched& w : slots) {
        if (w.begin.load() != begin) continue;
        w.end.store(0);
        w.begin.store(0);
        return;
    }
}

bool MappingDamaged(const void* base) {
    const auto begin = reinterpret_cast<std::uintptr_t>(base);
    for (const Watched& w : slots)
        if (w.begin.load() == begin) return w.damaged.load();
    return false;
}

}  // namespace mendora::vdrive

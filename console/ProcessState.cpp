#include "console/ProcessState.h"

#include <atomic>
#include <mutex>

namespace mendora {
namespace {

std::atomic<std::uint32_t> osBuild{0};
std::mutex nameMutex;
std::string appName;

}  // namespace

std::uint32_t OsBuildNumber() { return osBuild.load(std::memory_order_relaxed); }

void RecordOsBuildNumber(std::uint32_t build) { osBuild.store(build, std::memory_order_relaxed); }

std::string ApplicationName() {
    std::lock_guard<std::mutex> hold(nameMutex);
    return appName;
}

void SetApplicationName(const std::string& name) {
    std::lock_guard<std::mutex> hold(nameMutex);
    appName = name;
}

}  // namespace mendora

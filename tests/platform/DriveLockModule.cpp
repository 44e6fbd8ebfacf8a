// A dynamically loaded module with its own copy of the platform code, as the device library
// has: it takes and releases drive locks for the tests.
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "tests/platform/TestDriveLocks.h"

namespace {

std::mutex mutex;
std::map<int, std::unique_ptr<mendora::platform::DriveLock>> held;
int lastId = 0;

}  // namespace

// A positive id of the held lock, or 0 with the reason copied into error.
extern "C" int ModuleTakeDriveLock(const char* directory, const char* key, char* error, int errorSize) {
    std::string why;
    auto lock = mendora::testing::DriveLocksIn(directory)->TryLock(key, &why);
    if (!lock) {
        std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", why.c_str());
        return 0;
    }
    std::lock_guard<std::mutex> guard(mutex);
    held[++lastId] = std::move(lock);
    return lastId;
}

extern "C" void ModuleReleaseDriveLock(int id) {
    std::lock_guard<std::mutex> guard(mutex);
    held.erase(id);
}

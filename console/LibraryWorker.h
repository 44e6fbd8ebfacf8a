#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "console/DeviceLibrary.h"
#include "platform/kernel/NamedEvents.h"

namespace mendora {

// The library phase on its own thread: waits until the drive is back (the arrival event),
// resets the event and runs the library's repair. A worker still waiting can be released
// without calling the library; a repair call under way is always waited for, since the
// library must not be unloaded under it.
class LibraryWorker {
public:
    LibraryWorker(DeviceLibrary& library, QdllHandle device, std::uint8_t flags,
                  std::shared_ptr<platform::Event> arrived);
    // Releases a waiting worker and waits for the thread.
    ~LibraryWorker();
    LibraryWorker(const LibraryWorker&) = delete;
    LibraryWorker& operator=(const LibraryWorker&) = delete;

    void Start();
    // From now on the worker ends without calling the library; answers whether a repair
    // call is already under way (Join then waits for it to return).
    bool Cancel();
    // Whether the repair call was made; once Join has returned, it has ended too.
    bool Called() const { return called_.load(std::memory_order_acquire); }
    void Join();
    // Whether the thread is still at work (waiting or in the repair call).
    bool Running() const { return running_.load(std::memory_order_acquire); }

private:
    void Run();

    DeviceLibrary& library_;
    const QdllHandle device_;
    const std::uint8_t flags_;
    std::shared_ptr<platform::Event> arrived_;
    std::mutex mutex_;
    bool cancelled_ = false;
    bool calling_ = false;
    std::atomic<bool> called_{false};
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace mendora

#include "console/LibraryWorker.h"

#include "console/LibraryPhase.h"

namespace mendora {

LibraryWorker::LibraryWorker(DeviceLibrary& library, QdllHandle device, std::uint8_t flags,
                             std::shared_ptr<platform::Event> arrived)
    : library_(library), device_(device), flags_(flags), arrived_(std::move(arrived)) {}

LibraryWorker::~LibraryWorker() {
    Cancel();
    Join();
}

void LibraryWorker::Start() {
    if (thread_.joinable()) return;
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this] { Run(); });
}

bool LibraryWorker::Cancel() {
    bool calling = false;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        cancelled_ = true;
        calling = calling_;
    }
    // Wakes a worker still waiting; it sees the cancel and leaves the library alone.
    if (thread_.joinable()) arrived_->Set();
    return calling;
}

void LibraryWorker::Join() {
    if (thread_.joinable()) thread_.join();
}

void LibraryWorker::Run() {
    arrived_->Wait();
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (cancelled_) {
            running_.store(false, std::memory_order_release);
            return;
        }
        calling_ = true;
    }
    called_.store(true, std::memory_order_release);
    arrived_->Reset();
    LibraryPhase(library_, device_).Run(flags_);
    {
        std::lock_guard<std::mutex> hold(mutex_);
        calling_ = false;
    }
    running_.store(false, std::memory_order_release);
}

}  // namespace mendora

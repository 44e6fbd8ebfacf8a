#pragma once
#include <atomic>
#include <thread>

#include "console/RevertPasses.h"
#include "platform/kernel/DebugOutput.h"

namespace mendora {

// The revert phase on its own thread: the erase pass, the pattern test and the blank check,
// each only after the one before succeeded. The thread never outlives the worker.
class RevertWorker {
public:
    RevertWorker(RevertPassesFactory passes, FlashGeometry& geometry, RevertOptions& options, RevertHost& host,
                 platform::DebugOutput& debug);
    // Stops a revert under way and waits for it.
    ~RevertWorker();
    RevertWorker(const RevertWorker&) = delete;
    RevertWorker& operator=(const RevertWorker&) = delete;

    void Start();
    // Set from Start until the passes are over; Succeeded is final once Running reads false.
    bool Running() const { return running_.load(std::memory_order_acquire); }
    bool Succeeded() const { return succeeded_.load(std::memory_order_acquire); }
    // The status of the last pass run, and the blocks found bad: final once Running reads
    // false, and read after Join.
    std::uint8_t Status() const { return status_.load(std::memory_order_acquire); }
    const EngineBlocks& BadBlocks() const { return blocks_; }
    // Asks the passes to stop at their next block, then waits for the thread.
    void Stop();
    void Join();

private:
    void Run();
    std::uint8_t RunPasses(RevertPasses& passes);

    RevertPassesFactory makePasses_;
    FlashGeometry& geometry_;
    RevertOptions& options_;
    RevertHost& host_;
    platform::DebugOutput& debug_;
    std::atomic<bool> running_{false};
    std::atomic<bool> succeeded_{false};
    std::atomic<std::uint8_t> status_{0};
    EngineBlocks blocks_;
    std::thread thread_;
};

}  // namespace mendora

#include "console/RevertWorker.h"

namespace mendora {

RevertWorker::RevertWorker(RevertPassesFactory passes, FlashGeometry& geometry, RevertOptions& options,
                           RevertHost& host, platform::DebugOutput& debug)
    : makePasses_(std::move(passes)), geometry_(geometry), options_(options), host_(host), debug_(debug) {}

RevertWorker::~RevertWorker() { Stop(); }

void RevertWorker::Start() {
    if (thread_.joinable()) return;
    running_.store(true, std::memory_order_release);
    succeeded_.store(true, std::memory_order_release);
    thread_ = std::thread([this] { Run(); });
}

void RevertWorker::Stop() {
    if (Running()) geometry_.Stop = 1;
    Join();
}

void RevertWorker::Join() {
    if (thread_.joinable()) thread_.join();
}

void RevertWorker::Run() {
    std::uint8_t result = 0;
    {
        std::unique_ptr<RevertPasses> passes = makePasses_(geometry_, options_, host_);
        if (geometry_.model == 0x0090) debug_.Write("Load 90FW OK");
        if (geometry_.model == 0x0070) debug_.Write("Load 70FW OK");
        result = RunPasses(*passes);
    }
    // The outcome is settled before the dialog may see the revert over.
    if (result != revert_status::kFinish) succeeded_.store(false, std::memory_order_release);
    running_.store(false, std::memory_order_release);
    debug_.Write("Revert  OK");
}

std::uint8_t RevertWorker::RunPasses(RevertPasses& passes) {
    passes.SetEccLimit(options_.EccLimit);
    geometry_.Progress = 0;
    std::uint8_t result = passes.EraseAll(1);
    debug_.Write("Revert EraseAll OK");
    if (result != revert_status::kFinish) return result;
    geometry_.Progress = 0;
    result = passes.PatternTest(1);
    debug_.Write("Revert PatternRW OK");
    if (result != revert_status::kFinish) return result;
    geometry_.Progress = 0;
    return passes.CheckBlank();
}

}  // namespace mendora

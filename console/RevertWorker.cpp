#include "console/RevertWorker.h"

#include "console/RevertSequence.h"
#include "protocol/ControllerChips.h"

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
        if (geometry_.model == chips::kQf90) debug_.Write("Load 90FW OK");
        if (geometry_.model == chips::kQf70) debug_.Write("Load 70FW OK");
        result = RunPasses(*passes);
        blocks_ = passes->BadBlocks(geometry_);
    }
    status_.store(result, std::memory_order_release);
    // The outcome is settled before the dialog may see the revert over.
    if (result != revert_status::kFinish) succeeded_.store(false, std::memory_order_release);
    running_.store(false, std::memory_order_release);
    debug_.Write("Revert  OK");
}

std::uint8_t RevertWorker::RunPasses(RevertPasses& passes) {
    RevertPassHooks hooks;
    hooks.after = [this](RevertPass pass, std::uint8_t) {
        if (pass == RevertPass::Erase) debug_.Write("Revert EraseAll OK");
        if (pass == RevertPass::PatternTest) debug_.Write("Revert PatternRW OK");
    };
    return RunRevertSequence(passes, geometry_, options_.EccLimit, hooks);
}

}  // namespace mendora

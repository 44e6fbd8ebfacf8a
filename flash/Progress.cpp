#include "flash/RevertEngine.h"

namespace mendora {

// One step of Progress per (chips x end block / share) blocks handled, in 32-bit unsigned
// arithmetic as the console expects.
void RevertEngine::StartProgress(std::uint32_t share) {
    progressCounter_ = 0;
    progressFrozen_ = share == 0;
    stepLength_ = progressFrozen_ ? 0 : chipCount_ * endBlock_ / share - 1;
}

void RevertEngine::TickProgress(std::uint32_t amount, bool show) {
    progressCounter_ += amount;
    if (!show || progressFrozen_ || progressCounter_ <= stepLength_) return;
    geo_.Progress.fetch_add(1, std::memory_order_relaxed);
    progressCounter_ = 0;
}

// The end of a pass: its share joins the base (modulo 256) and Progress shows the base.
void RevertEngine::FinishProgress() {
    auto base = static_cast<std::uint8_t>(geo_.ProgressBase.load(std::memory_order_relaxed) + geo_.ProgressShare);
    geo_.ProgressBase.store(base, std::memory_order_relaxed);
    geo_.Progress.store(base, std::memory_order_relaxed);
}

}  // namespace mendora

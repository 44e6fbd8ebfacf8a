// Stands in for the repair run in builds without it: the start button asks for the
// confirmation, and an accepted run tells that this build cannot repair. Only built
// while console/RepairRun.cpp is absent.
#include "console/ConsoleStrings.h"
#include "console/RepairRun.h"

namespace mendora {

struct RepairRun::State {
    RunContext context;
};

RepairRun::RepairRun(RunContext context) : state_(std::make_unique<State>(State{context})) {}

RepairRun::~RepairRun() = default;

void RepairRun::Start() {
    RunView& view = state_->context.view;
    std::string confirm = LoadConsoleString(state_->context.kernel.resources, kConfirmString);
    if (view.Message(confirm, platform::MessageButtons::OkCancel) != platform::kIdOk) return;
    view.DisableStartButton();
    view.Message("This build cannot repair drives.", platform::MessageButtons::Ok);
}

void RepairRun::OnTimer(int) {}

void RepairRun::OnDeviceChange(std::uint32_t) {}

bool RepairRun::Busy() const { return false; }

void RepairRun::Stop() {}

}  // namespace mendora

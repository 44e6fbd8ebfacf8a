#include "platform/ui/UiHost.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Dialog.h"

#include "platform/ui/WindowActivation.h"
#include "platform/ui/WindowSystem.h"

namespace mendora::platform {
namespace {

UiHost* current = nullptr;

}  // namespace

UiHost::UiHost() : previous_(current) { current = this; }

UiHost::~UiHost() { current = previous_; }

UiHost* UiHost::Current() { return current; }

bool UiHost::ActivateWindow(const std::string& title) {
    for (const auto& root : WindowSystem::Get().Roots()) {
        if (root->text == title) {
            Raise(*root);
            return true;
        }
    }
    return RequestWindowActivation(title);
}

void UiHost::WindowShown(WindowNode&, bool) {}
void UiHost::DeviceChanged(bool) {}
void UiHost::SurfaceChanged(WindowNode&, const Rect&) {}
void UiHost::WindowDestroyed(WindowNode&) {}
void UiHost::TextChanged(WindowNode&) {}
void UiHost::Raise(WindowNode&) {}
void UiHost::TopmostChanged(WindowNode&) {}

bool UiHost::DispatchPending() { return WindowSystem::Get().DispatchPending(); }

long long UiHost::MillisecondsToNextTimer() {
    auto due = WindowSystem::Get().NextTimerDue();
    if (!due) return -1;
    std::uint64_t now = clock().TickCount();
    return *due <= now ? 0 : static_cast<long long>(*due - now);
}

void UiHost::CloseDialogsOnHostLoss() {
    // Closing ends each dialog's modal state, which changes the list; walk a copy.
    const std::vector<Dialog*> open = modal_;
    for (auto it = open.rbegin(); it != open.rend(); ++it) (*it)->SendMessage(WM_CLOSE);
}

}  // namespace mendora::platform

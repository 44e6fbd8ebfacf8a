#include "platform/ui/TestUiHost.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"

namespace mendora::platform {

void TestUiHost::WaitAndDispatch() {
    if (DispatchPending()) return;
    if (!script_.empty()) {
        auto step = std::move(script_.front());
        script_.pop_front();
        step();
        return;
    }
    long long wait = MillisecondsToNextTimer();
    if (wait >= 0 && clock_.TickCount() + wait <= limit_) {
        clock_.Advance(static_cast<std::uint64_t>(wait));
        DispatchPending();
        return;
    }
    stalled_ = true;
    if (Dialog* dialog = ActiveModal()) dialog->EndDialog(IDCANCEL);
}

void TestUiHost::Pump() {
    for (int round = 0; round < 1000 && DispatchPending(); ++round) {
    }
}

void TestUiHost::Advance(std::uint64_t milliseconds) {
    std::uint64_t end = clock_.TickCount() + milliseconds;
    Pump();
    for (;;) {
        auto due = WindowSystem::Get().NextTimerDue();
        if (!due || *due > end) break;
        if (*due > clock_.TickCount()) clock_.Advance(*due - clock_.TickCount());
        Pump();
    }
    if (end > clock_.TickCount()) clock_.Advance(end - clock_.TickCount());
    Pump();
}

void TestUiHost::PressKey(Window& topLevel, WPARAM key) { topLevel.SendMessage(WM_KEYDOWN, key, 0); }

void TestUiHost::Mouse(Window& window, UINT msg, Point client) {
    WindowNode* node = window.Node();
    if (!node) return;
    Point origin = node->SurfaceOrigin();
    WindowSystem::Get().Mouse(node->Root(), msg, {client.x + origin.x, client.y + origin.y});
}

void TestUiHost::Click(Window& control) {
    Rect r = control.GetClientRect();
    Point centre{r.Width() / 2, r.Height() / 2};
    Mouse(control, WM_LBUTTONDOWN, centre);
    Mouse(control, WM_LBUTTONUP, centre);
}

Bitmap TestUiHost::Snapshot(Window& window) {
    Pump();
    WindowNode* node = window.Node();
    if (!node || !node->Root().surface) return {};
    Point o = node->SurfaceOrigin();
    return node->Root().surface->Crop(node->ClientRect().Offset(o.x, o.y));
}

int TestUiHost::MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    shown.push_back({text, caption, buttons});
    if (answers.empty()) return kIdOk;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

void TestUiHost::FatalExit(const std::string& text) { throw TestFatalExit(text); }

}  // namespace mendora::platform

#include "platform/ui/tty/TtyUiHost.h"

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel/Console.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WindowNode.h"

namespace mendora::platform {
namespace {

std::string ControlLine(WindowNode& n) {
    const std::string& cls = n.cls->name;
    if (cls == kStaticClass) return (n.style & SS_TYPEMASK) == SS_ICON ? "" : n.text;
    if (cls != kButtonClass) return "";
    switch (n.style & BS_TYPEMASK) {
        case BS_GROUPBOX: return "-- " + n.text + " --";
        case BS_DEFPUSHBUTTON: return "<" + n.text + "> (Enter)";
        case BS_PUSHBUTTON: return "[" + n.text + "]";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return std::string(n.check ? "(*) " : "( ) ") + n.text;
        default: return std::string(n.check ? "[x] " : "[ ] ") + n.text;
    }
}

std::string ProgressLine(Window& bar) {
    std::int32_t limits[2] = {0, 0};
    bar.SendMessage(PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(limits));
    long long pos = bar.SendMessage(PBM_GETPOS);
    double f = limits[1] > limits[0] ? double(pos - limits[0]) / (limits[1] - limits[0]) : 0;
    f = std::clamp(f, 0.0, 1.0);
    int filled = static_cast<int>(f * 30);
    std::string text = bar.GetWindowText();
    if (text.empty()) text = std::to_string(static_cast<int>(f * 100)) + "%";
    return "[" + std::string(filled, '#') + std::string(30 - filled, '.') + "] " + text;
}

}  // namespace

// The program's own host takes the stop requests; it is made before any other thread.
TtyUiHost::TtyUiHost() : TtyUiHost(stdin, stderr, IsTerminal(stdin), AssumeYesFromEnvironment()) {
    stopRequests_ = std::make_unique<StopRequests>([this](int count) { OnStopRequest(count); });
}

TtyUiHost::TtyUiHost(std::FILE* input, std::FILE* output, bool interactive, bool assumeYes)
    : terminal_(input, output, interactive, assumeYes), input_(input), output_(output),
      interactive_(interactive), assumeYes_(assumeYes) {
    terminal_.WatchStops(&stops_);
}

TtyUiHost::~TtyUiHost() { stopRequests_.reset(); }

// On the stop requests' own thread: the dialog's thread may be waiting for the drive, so
// a repeated request is answered from here.
void TtyUiHost::OnStopRequest(int count) {
    stops_.store(count);
    if (count < 2) return;
    PrintText(output_, "** Stopping: waiting for the step under way on the drive to finish **\n");
    std::fflush(output_);
}

bool TtyUiHost::CancelOnStopRequest() {
    const int stops = stops_.load();
    if (stops == stopsHandled_) return false;
    stopsHandled_ = stops;
    if (Dialog* dialog = ActiveModal()) dialog->SendMessage(WM_KEYDOWN, VK_ESCAPE);
    return true;
}

// The first picture of a dialog is printed whole, later ones only by their changed lines.
void TtyUiHost::Print() {
    Dialog* dialog = ActiveModal();
    if (!dialog || !dialog->Node() || !dialog->IsWindowVisible()) return;
    std::vector<std::string> lines{"== " + dialog->Node()->text + " =="};
    std::vector<std::string> buttons;
    std::string progress;
    for (const auto& child : dialog->Node()->children) {
        if (!child->IsShown()) continue;
        if (child->cls->name == kProgressClass) {
            progress += ProgressLine(*Window::FromNode(child.get()));
            continue;
        }
        std::string line = ControlLine(*child);
        bool button = child->cls->name == kButtonClass && (child->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
        if (!line.empty()) (button ? buttons : lines).push_back(line);
    }
    lines.insert(lines.end(), buttons.begin(), buttons.end());
    bool whole = lastLines_.empty() || lines.size() != lastLines_.size() || lines[0] != lastLines_[0];
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (whole || lines[i] != lastLines_[i]) PrintText(output_, "%s\n", lines[i].c_str());
    lastLines_ = lines;
    if (progress != lastProgress_) {
        PrintText(output_, "%s\n", progress.c_str());
        lastProgress_ = progress;
    }
    std::fflush(output_);
}

bool TtyUiHost::ReadKey(long long wait) {
    Dialog* dialog = ActiveModal();
    if (inputClosed_ || !dialog) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        return false;
    }
    if (!WaitForInput(input_, wait)) return false;
    char line[64];
    if (!std::fgets(line, sizeof line, input_)) {
        inputClosed_ = true;
        return false;
    }
    bool cancel = line[0] == 'c' || line[0] == 'C' || line[0] == 'q' || line[0] == 0x1B;
    dialog->SendMessage(WM_KEYDOWN, cancel ? VK_ESCAPE : VK_RETURN);
    return true;
}

void TtyUiHost::WaitAndDispatch() {
    bool any = DispatchPending();
    Print();
    // A stop is taken even while timers keep the queue busy.
    if (CancelOnStopRequest() || any) return;
    Dialog* dialog = ActiveModal();
    if (assumeYes_ && !pressed_ && dialog) {
        pressed_ = true;
        dialog->SendMessage(WM_KEYDOWN, VK_RETURN);
        return;
    }
    long long wait = MillisecondsToNextTimer();
    if (wait < 0 && dialog && (inputClosed_ || assumeYes_)) {
        // Nothing can happen any more: cancel instead of waiting forever.
        dialog->SendMessage(WM_KEYDOWN, VK_ESCAPE);
        return;
    }
    if (wait < 0 || wait > 100) wait = 100;
    if (assumeYes_) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    else ReadKey(wait);
}

void TtyUiHost::WindowShown(WindowNode& root, bool shown) {
    dirty_ = true;
    Dialog* dialog = ActiveModal();
    if (!shown || (dialog && dialog->Node() == &root)) return;
    for (const auto& child : root.children) {
        std::string line = child->IsShown() ? ControlLine(*child) : "";
        if (!line.empty()) PrintText(output_, "** %s **\n", line.c_str());
    }
    std::fflush(output_);
}

void TtyUiHost::DeviceChanged(bool arrival) {
    PrintText(output_, "** %s **\n", arrival ? "Drive arrived" : "Drive removed");
    std::fflush(output_);
}

int TtyUiHost::MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    lastLines_.clear();  // the dialog is printed again after the box
    return terminal_.MessageBox(text, caption, buttons);
}

void TtyUiHost::FatalExit(const std::string& text) { terminal_.FatalExit(text); }

}  // namespace mendora::platform

#include "platform/ui/TerminalMessageHost.h"

#include <cstdlib>
#include <cstring>

#include "platform/kernel/Console.h"

namespace mendora::platform {
bool AssumeYesFromEnvironment() {
    const char* value = std::getenv("MENDORA_ASSUME_YES");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

TerminalMessageHost::TerminalMessageHost()
    : TerminalMessageHost(stdin, stderr, IsTerminal(stdin), AssumeYesFromEnvironment()) {}

TerminalMessageHost::TerminalMessageHost(std::FILE* input, std::FILE* output, bool interactive,
                                         bool assumeYes)
    : input_(input), output_(output), interactive_(interactive), assumeYes_(assumeYes) {}

int TerminalMessageHost::MessageBox(const std::string& text, const std::string& caption,
                                    MessageButtons buttons) {
    PrintText(output_, "[%s] %s\n", caption.c_str(), text.c_str());
    int answer = Ask(buttons);
    if (buttons == MessageButtons::OkCancel) {
        PrintText(output_, "[%s] -> %s\n", caption.c_str(), answer == kIdOk ? "OK" : "Cancel");
    }
    std::fflush(output_);
    return answer;
}

int TerminalMessageHost::Ask(MessageButtons buttons) {
    if (assumeYes_) return kIdOk;
    if (!interactive_) return buttons == MessageButtons::Ok ? kIdOk : kIdCancel;
    WriteText(output_, buttons == MessageButtons::Ok ? "Press Enter to continue. "
                                                     : "Press Enter for OK, or c and Enter to cancel. ");
    std::fflush(output_);
    char line[64];
    if (!WaitForLine(line, sizeof line)) return buttons == MessageButtons::Ok ? kIdOk : kIdCancel;
    bool cancel = line[0] == 'c' || line[0] == 'C' || line[0] == 0x1B;
    return buttons == MessageButtons::OkCancel && cancel ? kIdCancel : kIdOk;
}

// False when the input ends or a stop is requested while waiting.
bool TerminalMessageHost::WaitForLine(char* line, int size) {
    const int stopsBefore = stops_ ? stops_->load() : 0;
    while (!WaitForInput(input_, 100))
        if (stops_ && stops_->load() != stopsBefore) return false;
    return std::fgets(line, size, input_) != nullptr;
}

void TerminalMessageHost::FatalExit(const std::string& text) {
    PrintText(output_, "[Fatal] %s\n", text.c_str());
    std::fflush(output_);
    std::_Exit(1);
}

bool TerminalMessageHost::ActivateWindow(const std::string&) { return false; }

}  // namespace mendora::platform

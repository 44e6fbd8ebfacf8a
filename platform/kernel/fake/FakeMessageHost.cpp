#include "platform/kernel/fake/FakeMessageHost.h"

namespace mendora::platform {

int FakeMessageHost::MessageBox(const std::string& text, const std::string& caption,
                                MessageButtons buttons) {
    shown.push_back({text, caption, buttons});
    if (answers.empty()) return kIdOk;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeMessageHost::FatalExit(const std::string& text) { throw FatalExitCalled(text); }

bool FakeMessageHost::ActivateWindow(const std::string& title) {
    activated.push_back(title);
    return windowExists;
}

}  // namespace mendora::platform

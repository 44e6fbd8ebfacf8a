// Message boxes asked for on other threads are shown on the window thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ui/TestUiHost.h"
#include "platform/ui/WindowThreadMessages.h"

namespace mendora::platform {
namespace {

// Records on which thread each box was shown.
class ThreadNotingHost : public TestUiHost {
public:
    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override {
        threads.push_back(std::this_thread::get_id());
        return TestUiHost::MessageBox(text, caption, buttons);
    }
    std::vector<std::thread::id> threads;
};

TEST(WindowThreadMessages, AWorkersBoxIsShownOnTheWindowThreadAndAnswered) {
    ThreadNotingHost host;
    host.answers = {kIdCancel};
    WindowThreadMessages messages(host);
    std::atomic<int> answer{0};
    std::thread worker(
        [&] { answer = messages.MessageBox("Can not open the handle.", "Error", MessageButtons::OkCancel); });
    while (answer == 0) host.Pump();
    worker.join();
    EXPECT_EQ(answer.load(), kIdCancel);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text, "Can not open the handle.");
    EXPECT_EQ(host.shown[0].caption, "Error");
    EXPECT_EQ(host.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
}

TEST(WindowThreadMessages, ReleaseAnswersWaitingAndLaterBoxesWithoutShowingThem) {
    ThreadNotingHost host;
    host.answers = {kIdCancel, kIdCancel};
    WindowThreadMessages messages(host);
    std::atomic<int> first{0};
    std::thread waiting([&] { first = messages.MessageBox("Flash Error", "Error", MessageButtons::OkCancel); });
    // The window thread does not pump: it is about to wait for the worker.
    while (host.shown.empty() && first == 0) {
        messages.Release();
        std::this_thread::yield();
    }
    waiting.join();
    EXPECT_EQ(first.load(), kIdOk);
    int later = 0;
    std::thread([&] { later = messages.MessageBox("Later", "Error", MessageButtons::OkCancel); }).join();
    EXPECT_EQ(later, kIdOk);
    host.Pump();  // the box handed over before the release is dropped
    EXPECT_TRUE(host.shown.empty());
}

}  // namespace
}  // namespace mendora::platform

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include <unistd.h>

#include "platform/ui/TestUiHost.h"
#include "platform/ui/WindowActivation.h"

namespace mendora::platform {
namespace {

// Titles of this test process alone, so parallel test runs do not answer each other.
const std::string kTitle = "Mendrix " + std::to_string(getpid());

// Serves the listener until the request running beside it has its answer.
bool AskWhileServing(WindowActivationListener& listener, std::function<bool()> ask) {
    auto answer = std::async(std::launch::async, std::move(ask));
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) listener.ServeFor(10);
    return answer.get();
}

TEST(WindowActivation, AnotherHostBringsTheListeningWindowForward) {
    int activated = 0;
    WindowActivationListener first(kTitle, [&] { ++activated; });
    ASSERT_TRUE(first.Listening());
    first.Serve();  // nobody waiting: returns at once
    EXPECT_EQ(activated, 0);

    // A second instance of the same title does not take the name over.
    int stolen = 0;
    WindowActivationListener second(kTitle, [&] { ++stolen; });
    EXPECT_FALSE(second.Listening());

    TestUiHost host;  // no window of its own by that title
    EXPECT_TRUE(AskWhileServing(first, [&] { return host.ActivateWindow(kTitle); }));
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(stolen, 0);
    EXPECT_FALSE(AskWhileServing(first, [&] { return host.ActivateWindow(kTitle + " Setup"); }));
    EXPECT_EQ(activated, 1);
    EXPECT_FALSE(RequestWindowActivation(std::string(200, 'x')));  // longer than an address holds
}

TEST(WindowActivation, NoAnswerOnceTheWindowIsGone) {
    TestUiHost host;
    {
        WindowActivationListener listener(kTitle, [] {});
        ASSERT_TRUE(listener.Listening());
    }
    EXPECT_FALSE(host.ActivateWindow(kTitle));
    WindowActivationListener again(kTitle, [] {});  // the name is free again
    EXPECT_TRUE(again.Listening());
}

}  // namespace
}  // namespace mendora::platform

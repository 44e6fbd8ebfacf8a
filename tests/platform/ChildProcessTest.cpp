// Child processes through the platform: what they are given arrives as it was, they end as
// they end, and a time limit, a stop request and the end asked for all hold.
#include <gtest/gtest.h>

#include "platform/kernel/ChildProcess.h"

namespace mendora::platform {
namespace {

using namespace std::chrono_literals;

ChildLaunch EchoLaunch(std::vector<std::string> arguments) {
    ChildLaunch launch;
    launch.program = MENDORA_CHILD_ECHO;
    launch.arguments = std::move(arguments);
    launch.output = ChildOutput::Pipe;
    return launch;
}

// Everything the child writes until its pipe ends, and how it ended.
std::pair<std::string, std::optional<ChildEnd>> RunToEnd(const ChildLaunch& launch) {
    ChildProcess child;
    std::string error, out;
    if (!child.Start(launch, &error)) return {"not started: " + error, std::nullopt};
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (child.ReadOutput(&out) && std::chrono::steady_clock::now() < until) WaitForAny({&child}, 1000ms);
    return {out, child.Wait(60000ms)};
}

std::string WithoutReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

TEST(ChildProcess, ArgumentsWithSpacesQuotesAndBackslashesArriveAsGiven) {
    const std::vector<std::string> words = {"plain", "two words", "", "say \"hi\"", "back\\slash\\", "tail\\\\\"q",
                                            "tab\tin", "\\\\server\\share dir\\"};
    std::string expected;
    for (const auto& w : words) expected += "[" + w + "]\n";
    std::vector<std::string> arguments = {"args"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    auto [out, end] = RunToEnd(EchoLaunch(arguments));
    EXPECT_EQ(WithoutReturns(out), expected);
    ASSERT_TRUE(end);
    EXPECT_EQ(DescribeEnd(*end), "exited 0");
}

TEST(ChildProcess, VariablesAreSetOverOurEnvironment) {
    const std::vector<std::string> ours = CurrentEnvironment();
    ASSERT_FALSE(ours.empty());
    ChildLaunch launch = EchoLaunch({"env", "MENDORA_CHILD_TEST"});
    launch.environment = {"MENDORA_CHILD_TEST=a value; with = signs"};
    EXPECT_EQ(WithoutReturns(RunToEnd(launch).first), "a value; with = signs\n");

    // One of ours, replaced rather than given twice.
    const std::string name = ours.back().substr(0, ours.back().find('=', 1));
    launch = EchoLaunch({"env", name});
    launch.environment = {name + "=replaced"};
    EXPECT_EQ(WithoutReturns(RunToEnd(launch).first), "replaced\n");
}

TEST(ChildProcess, ExitCodesAndTheirDescriptions) {
    auto [out, end] = RunToEnd(EchoLaunch({"exit", "3"}));
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->signalled);
    EXPECT_EQ(end->code, 3);
    EXPECT_EQ(DescribeEnd(*end), "exited 3");
    EXPECT_EQ(DescribeEnd({true, 9}), "killed by signal 9");

    ChildLaunch absent = EchoLaunch({});
    absent.program += "-missing";
    ChildProcess missing;
    std::string error;
    EXPECT_FALSE(missing.Start(absent, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(missing.Running());
}

TEST(ChildProcess, AWaitEndsAtItsLimitAndAnEndedChildIsGone) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.Start(EchoLaunch({"sleep", "30000"}), &error)) << error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(child.Wait(200ms));
    EXPECT_TRUE(child.Running());
    child.Terminate();
    auto end = child.Wait(20000ms);
    ASSERT_TRUE(end);
    EXPECT_NE(DescribeEnd(*end), "exited 0");
    EXPECT_FALSE(child.Running());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
}

TEST(ChildProcess, AStopRequestArrivesAtTheChildsStopRequests) {
    ChildProcess child;
    std::string error, out;
    ASSERT_TRUE(child.Start(EchoLaunch({"stop"}), &error)) << error;
    for (int i = 0; i < 300 && out.find("ready") == std::string::npos && child.ReadOutput(&out); ++i)
        WaitForAny({&child}, 100ms);
    ASSERT_NE(out.find("ready"), std::string::npos) << out;
    child.Stop(StopKind::Interrupt);
    while (child.ReadOutput(&out)) WaitForAny({&child}, 1000ms);
    EXPECT_NE(WithoutReturns(out).find("stopped 1\n"), std::string::npos) << out;
    auto end = child.Wait(20000ms);
    ASSERT_TRUE(end);
    EXPECT_EQ(DescribeEnd(*end), "exited 5");
}

TEST(ChildProcess, WaitingForAnyReturnsWhenOneOfThemWrites) {
    ChildProcess sleeper, talker;
    std::string error;
    ASSERT_TRUE(sleeper.Start(EchoLaunch({"sleep", "30000"}), &error)) << error;
    ASSERT_TRUE(talker.Start(EchoLaunch({"args", "hello"}), &error)) << error;
    const auto started = std::chrono::steady_clock::now();
    std::string out;
    while (out.empty() && std::chrono::steady_clock::now() - started < 20s) {
        WaitForAny({&sleeper, &talker}, 20000ms);
        talker.ReadOutput(&out);
    }
    EXPECT_EQ(WithoutReturns(out), "[hello]\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_TRUE(sleeper.Running());
}

}  // namespace
}  // namespace mendora::platform

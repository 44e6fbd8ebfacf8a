// How the dialog's message boxes and end code become mendora's exit status.
#include <gtest/gtest.h>

#include "app/ExitStatus.h"
#include "app/RunOutcome.h"
#include "console/ConsoleStrings.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "resources/EmbeddedResources.h"

namespace mendora {
namespace {

using platform::MessageButtons;

struct Box {
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    int answer = platform::kIdOk;
};

// Shows the boxes through a fresh outcome and answers the status for the dialog's end code.
int StatusAfter(const std::vector<Box>& boxes, int dialogCode = 2) {
    platform::FakeKernel fake(EmbeddedResourceTable());
    RunOutcome outcome(fake.messages, fake.resources);
    for (const Box& box : boxes) {
        fake.messages.answers.push_back(box.answer);
        EXPECT_EQ(outcome.MessageBox(box.text, "Mendora", box.buttons), box.answer);
    }
    EXPECT_EQ(fake.messages.shown.size(), boxes.size());  // every box reaches the host
    return outcome.ExitStatus(dialogCode);
}

std::string Text(std::uint16_t id) {
    platform::FakeKernel fake(EmbeddedResourceTable());
    return LoadConsoleString(fake.resources, id);
}

TEST(RunOutcome, ARepairEndsZeroOnlyWhenItCompleted) {
    const Box confirmed{Text(kConfirmString), MessageButtons::OkCancel, platform::kIdOk};
    EXPECT_EQ(StatusAfter({confirmed, {Text(kRepairCompleteString)}}), kExitRepaired);
    EXPECT_EQ(StatusAfter({confirmed, {Text(kRepairFailString)}}), kExitRepairFailed);
    // The revert engine's own error box, then the failure.
    EXPECT_EQ(StatusAfter({confirmed, {"Write error at block 12"}, {Text(kRepairFailString)}}), kExitRepairFailed);
    // Close during the run: no final box, and the drive is left erased.
    EXPECT_EQ(StatusAfter({confirmed}), kExitRepairFailed);
}

TEST(RunOutcome, NothingDoneIsZeroWhenChosenAndTwoWhenRefused) {
    // Closed at once, or the confirmation cancelled: the drive was never touched.
    EXPECT_EQ(StatusAfter({}), kExitRepaired);
    EXPECT_EQ(StatusAfter({{Text(kConfirmString), MessageButtons::OkCancel, platform::kIdCancel}}), kExitRepaired);
    EXPECT_EQ(StatusAfter({{Text(kNoDeviceString)}}), kExitRefused);
    EXPECT_EQ(StatusAfter({{Text(kUnsupportedString)}}), kExitRefused);
    EXPECT_EQ(StatusAfter({{"E: is held by another program"}}), kExitRefused);
    EXPECT_EQ(StatusAfter({{"Can't find QDLL.dll"}}, 1), kExitRefused);
}

}  // namespace
}  // namespace mendora

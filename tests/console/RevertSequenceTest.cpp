// The revert's passes as the dialog, mendora-revert and the station run them.
#include "console/RevertSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mendora {
namespace {

// Passes that answer scripted statuses and note each call with the progress it began at.
class ScriptedPasses : public RevertPasses {
public:
    ScriptedPasses(FlashGeometry& geometry, std::vector<std::uint8_t> statuses)
        : geometry_(geometry), statuses_(std::move(statuses)) {}
    void SetEccLimit(std::uint8_t bits) override { calls.push_back("ecc " + std::to_string(bits)); }
    std::uint8_t EraseAll(std::uint8_t showProgress) override { return Pass("erase " + std::to_string(showProgress)); }
    std::uint8_t PatternTest(std::uint8_t mode) override { return Pass("pattern " + std::to_string(mode)); }
    std::uint8_t CheckBlank() override { return Pass("blank"); }

    std::vector<std::string> calls;

private:
    std::uint8_t Pass(const std::string& name) {
        calls.push_back(name + " at " + std::to_string(geometry_.Progress.load()));
        geometry_.Progress = 77;  // where a pass leaves it
        const std::uint8_t status = statuses_.at(next_++);
        return status;
    }

    FlashGeometry& geometry_;
    std::vector<std::uint8_t> statuses_;
    std::size_t next_ = 0;
};

constexpr std::uint8_t kFinish = revert_status::kFinish;

std::string PassName(RevertPass pass) {
    switch (pass) {
        case RevertPass::Erase: return "Erase";
        case RevertPass::PatternTest: return "PatternTest";
        case RevertPass::BlankCheck: return "BlankCheck";
    }
    return "?";
}

TEST(RevertSequence, RunsEveryPassFromZeroProgressWithItsHooksAround) {
    FlashGeometry geometry;
    geometry.Progress = 40;
    ScriptedPasses passes(geometry, {kFinish, kFinish, kFinish});
    std::vector<std::string> hooks;
    RevertPassHooks around;
    around.before = [&](RevertPass pass) { hooks.push_back("before " + PassName(pass)); };
    around.after = [&](RevertPass pass, std::uint8_t status) {
        hooks.push_back("after " + PassName(pass) + " " + std::to_string(status));
    };
    EXPECT_EQ(RunRevertSequence(passes, geometry, 3, around), kFinish);
    EXPECT_EQ(passes.calls,
              (std::vector<std::string>{"ecc 3", "erase 1 at 0", "pattern 1 at 0", "blank at 0"}));
    EXPECT_EQ(hooks, (std::vector<std::string>{"before Erase", "after Erase 2", "before PatternTest",
                                               "after PatternTest 2", "before BlankCheck", "after BlankCheck 2"}));
}

TEST(RevertSequence, StopsAtTheFirstPassThatDoesNotFinishAndAnswersItsStatus) {
    struct Case {
        std::vector<std::uint8_t> statuses;
        std::uint8_t result;
        std::size_t passesRun;
    };
    const Case cases[] = {
        {{revert_status::kUserBreak}, revert_status::kUserBreak, 1},
        {{kFinish, revert_status::kCantMarkBad}, revert_status::kCantMarkBad, 2},
        {{kFinish, kFinish, revert_status::kFlashError}, revert_status::kFlashError, 3},
    };
    for (const Case& c : cases) {
        FlashGeometry geometry;
        ScriptedPasses passes(geometry, c.statuses);
        int after = 0;
        RevertPassHooks hooks;
        hooks.after = [&](RevertPass, std::uint8_t) { ++after; };
        EXPECT_EQ(RunRevertSequence(passes, geometry, 2, hooks), c.result);
        EXPECT_EQ(passes.calls.size(), 1 + c.passesRun);  // the ECC limit, then the passes
        EXPECT_EQ(after, static_cast<int>(c.passesRun));  // the failed pass is still told
    }
}

}  // namespace
}  // namespace mendora

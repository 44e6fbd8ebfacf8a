#include "console/RevertSequence.h"

namespace mendora {

namespace {

std::uint8_t RunPass(RevertPasses& passes, RevertPass pass) {
    switch (pass) {
        case RevertPass::Erase: return passes.EraseAll(1);
        case RevertPass::PatternTest: return passes.PatternTest(1);
        case RevertPass::BlankCheck: return passes.CheckBlank();
    }
    return revert_status::kUnknownError;
}

}  // namespace

std::uint8_t RunRevertSequence(RevertPasses& passes, FlashGeometry& geometry, std::uint8_t eccLimit,
                               const RevertPassHooks& hooks) {
    passes.SetEccLimit(eccLimit);
    std::uint8_t status = revert_status::kFinish;
    for (RevertPass pass : {RevertPass::Erase, RevertPass::PatternTest, RevertPass::BlankCheck}) {
        if (hooks.before) hooks.before(pass);
        geometry.Progress = 0;
        status = RunPass(passes, pass);
        if (hooks.after) hooks.after(pass, status);
        if (status != revert_status::kFinish) break;
    }
    return status;
}

}  // namespace mendora

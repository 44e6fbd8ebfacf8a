#pragma once
#include <cstdint>
#include <functional>

#include "console/RevertPasses.h"

namespace mendora {

enum class RevertPass { Erase, PatternTest, BlankCheck };

// What a caller does around each pass: before it starts (a phase to show, positions to
// reset) and once it has answered its status (a line to write).
struct RevertPassHooks {
    std::function<void(RevertPass)> before;
    std::function<void(RevertPass, std::uint8_t status)> after;
};

// The revert of one drive: the ECC limit set, then the erase, the pattern test and the blank
// check, each only while the one before finished, with the progress counted from 0 for
// each. Answers the status of the last pass run.
std::uint8_t RunRevertSequence(RevertPasses& passes, FlashGeometry& geometry, std::uint8_t eccLimit,
                               const RevertPassHooks& hooks = {});

}  // namespace mendora

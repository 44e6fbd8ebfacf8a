#include "console/RepairRun.h"

namespace mendora {

// Kept apart from the run itself so that a program that brings its own revert passes does
// not need the engine.
RepairRun::RepairRun(RunContext context) : RepairRun(context, EngineRevertPasses()) {}

}  // namespace mendora

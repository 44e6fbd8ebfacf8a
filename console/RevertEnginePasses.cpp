#include "console/RevertPasses.h"

namespace mendora {

namespace {

// The engine of one revert, made before the passes that use it.
struct RevertEngineHolder {
    RevertEngineHolder(FlashGeometry& geometry, RevertOptions& options, RevertHost& host)
        : engine("", geometry, options, 0, host) {}
    RevertEngine engine;
};

class OwnEnginePasses : private RevertEngineHolder, public EnginePasses {
public:
    OwnEnginePasses(FlashGeometry& geometry, RevertOptions& options, RevertHost& host)
        : RevertEngineHolder(geometry, options, host), EnginePasses(engine) {}
};

}  // namespace

RevertPassesFactory EngineRevertPasses() {
    return [](FlashGeometry& geometry, RevertOptions& options, RevertHost& host) -> std::unique_ptr<RevertPasses> {
        return std::make_unique<OwnEnginePasses>(geometry, options, host);
    };
}

}  // namespace mendora

#include "console/RevertPasses.h"

namespace mendora {

namespace {

class EnginePasses : public RevertPasses {
public:
    EnginePasses(FlashGeometry& geometry, RevertOptions& options, RevertHost& host)
        : engine_("", geometry, options, 0, host) {}
    void SetEccLimit(std::uint8_t bits) override { engine_.SetEccLimit(bits); }
    std::uint8_t EraseAll(std::uint8_t showProgress) override { return engine_.EraseAll(showProgress); }
    std::uint8_t PatternTest(std::uint8_t patternMode) override { return engine_.PatternTest(patternMode); }
    std::uint8_t CheckBlank() override { return engine_.CheckBlank(); }

private:
    RevertEngine engine_;
};

}  // namespace

RevertPassesFactory EngineRevertPasses() {
    return [](FlashGeometry& geometry, RevertOptions& options, RevertHost& host) -> std::unique_ptr<RevertPasses> {
        return std::make_unique<EnginePasses>(geometry, options, host);
    };
}

}  // namespace mendora

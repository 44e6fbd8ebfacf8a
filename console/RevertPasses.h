#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "console/EngineReport.h"
#include "flash/RevertEngine.h"
#include "flash/RevertRecords.h"

namespace mendora {

// The passes of one revert as the revert worker runs them; each pass answers a status
// code, 2 for success.
class RevertPasses {
public:
    virtual ~RevertPasses() = default;
    virtual void SetEccLimit(std::uint8_t bits) = 0;
    virtual std::uint8_t EraseAll(std::uint8_t showProgress) = 0;
    virtual std::uint8_t PatternTest(std::uint8_t patternMode) = 0;
    virtual std::uint8_t CheckBlank() = 0;
    // The blocks found bad so far; none where the passes keep no map.
    virtual EngineBlocks BadBlocks(const FlashGeometry&) { return {}; }
};

// The passes of an engine its caller owns (and reads the bad-block map of afterwards).
class EnginePasses : public RevertPasses {
public:
    explicit EnginePasses(RevertEngine& engine) : engine_(engine) {}
    void SetEccLimit(std::uint8_t bits) override { engine_.SetEccLimit(bits); }
    std::uint8_t EraseAll(std::uint8_t showProgress) override { return engine_.EraseAll(showProgress); }
    std::uint8_t PatternTest(std::uint8_t patternMode) override { return engine_.PatternTest(patternMode); }
    std::uint8_t CheckBlank() override { return engine_.CheckBlank(); }
    EngineBlocks BadBlocks(const FlashGeometry& geometry) override { return EngineBlocksOf(engine_, geometry); }

private:
    RevertEngine& engine_;
};

// Makes the passes of one revert; called on the revert worker's thread, and the passes are
// destroyed there once the revert ends.
using RevertPassesFactory =
    std::function<std::unique_ptr<RevertPasses>(FlashGeometry&, RevertOptions&, RevertHost&)>;

// The revert engine itself, without a log.
RevertPassesFactory EngineRevertPasses();

}  // namespace mendora

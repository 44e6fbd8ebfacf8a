// The whole revert on a short flash whose drive answers from the fuzzer: every pass ends
// with a status, the bad-block count stays within the flash, and (under ASan) no buffer
// is read or written outside its bounds. When the input runs out the drive is gone.
#include "fuzz/FuzzEngine.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzTransport.h"

namespace mendora::fuzz::revert_engine {

namespace {

constexpr std::size_t kMostCommands = 200000;

bool IsPassStatus(std::uint8_t status) { return status <= revert_status::kTestRedundant; }

}  // namespace

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    ShortGeometry records(input);
    const std::uint8_t run = input.U8();
    const std::string exe = EngineDirectory();
    const std::string patterns = exe + "/Eval Pattern";
    std::filesystem::remove_all(patterns);
    if (run & 0x08) {
        std::filesystem::create_directories(patterns);
        testing::WriteBytes(patterns + "/p", std::string(input.Take(input.U8())));
    }

    FuzzTransport drive(input);
    platform::FakeKernel fakes;
    if (run & 0x10) fakes.registry.Set("software\\kzrevert", "TestStartBlock", input.U8() % 40);
    if (run & 0x20) fakes.registry.Set("software\\kzrevert", "TestBlockCount", input.U8() % 40);
    ForwardingDrives drives(drive, fakes.clock);
    RevertHost host{drives, fakes.files, fakes.registry, fakes.profiles, fakes.messages, fakes.clock, exe};
    const std::uint32_t totalBlocks = records.geo.chipcnt * records.geo.BlocksPerChip;

    RevertEngine engine("", records.geo, records.options, 0, host);
    engine.SetEccLimit(records.options.EccLimit);
    std::uint8_t result = engine.EraseAll(1);
    FUZZ_CHECK(IsPassStatus(result));
    if (result == revert_status::kFinish) {
        result = engine.PatternTest(run & 3);
        FUZZ_CHECK(IsPassStatus(result));
    }
    if (result == revert_status::kFinish) {
        result = engine.CheckBlank();
        FUZZ_CHECK(IsPassStatus(result));
    }
    FUZZ_CHECK(drive.commands < kMostCommands);
    FUZZ_CHECK(records.geo.BadBlockCount.load() <= totalBlocks);
    return 0;
}

}  // namespace mendora::fuzz::revert_engine

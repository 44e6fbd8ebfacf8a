#include "RepairRunFakes.h"

#include <algorithm>

namespace mendora::testing {

bool FakeRunView::Called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

FakeLibraryState& FakeLibrary() {
    static FakeLibraryState state;
    return state;
}

namespace {

int Progress(QdllHandle) { return FakeLibrary().progress; }
int State(QdllHandle) { return FakeLibrary().state; }
std::uint32_t ErrorCode(QdllHandle) {
    if (FakeLibrary().onGetErrorCode) FakeLibrary().onGetErrorCode();
    return FakeLibrary().errorCode;
}

int BadBlocks(QdllHandle, std::uint32_t* bad, std::uint32_t* total, std::uint16_t* divisor) {
    *bad = FakeLibrary().bad;
    *total = FakeLibrary().total;
    *divisor = FakeLibrary().divisor;
    return 1;
}

int Repair(QdllHandle, std::uint8_t flags) {
    FakeLibraryState& library = FakeLibrary();
    ++library.repairCalls;
    library.repairFlags = flags;
    if (library.repairGate) library.repairGate->Pass();
    if (library.finishOnRepair) library.state = 0x01FF;  // only the low byte tells the end
    library.repairReturned = true;
    return 1;
}

class ScriptedPasses : public RevertPasses {
public:
    ScriptedPasses(FakeRevertScript& script, FlashGeometry& geometry) : script_(script), geometry_(geometry) {}
    ~ScriptedPasses() override { script_.Record("Destroy"); }
    void SetEccLimit(std::uint8_t bits) override { script_.Record("SetEccLimit " + std::to_string(bits)); }
    std::uint8_t EraseAll(std::uint8_t showProgress) override {
        script_.Record("EraseAll " + std::to_string(showProgress));
        if (script_.clock) script_.clock->Sleep(script_.eraseMilliseconds);
        if (script_.eraseGate) {
            script_.eraseGate->Pass();
            if (geometry_.Stop) return revert_status::kUserBreak;
        }
        return script_.eraseResult;
    }
    std::uint8_t PatternTest(std::uint8_t mode) override {
        script_.Record("PatternTest " + std::to_string(mode));
        return script_.patternResult;
    }
    std::uint8_t CheckBlank() override {
        script_.Record("CheckBlank");
        return script_.blankResult;
    }

private:
    FakeRevertScript& script_;
    FlashGeometry& geometry_;
};

constexpr char kStrings[] =
    "5\t1033\tBad Blocks\n"
    "11\t1033\tRepair complete, Please un-plug device\n"
    "12\t1033\tRepair fail\n"
    "14\t1033\tAll Data will be deleted. Continue ?\n"
    "18\t1033\tPlease re-plug device to finish the job.\n";

}  // namespace

void ResetFakeLibrary() {
    FakeLibraryState& library = FakeLibrary();
    library.progress = 0, library.state = 0, library.errorCode = 0;
    library.bad = 0, library.total = 0, library.divisor = 0;
    library.repairCalls = 0, library.repairFlags = -1, library.repairReturned = false;
    library.finishOnRepair = true, library.repairGate = nullptr;
    library.onGetErrorCode = nullptr;
}

platform::FakeModuleLoader::Symbols RunLibrarySymbols() {
    return {
        {"QDLL_GetCurrentProgress", reinterpret_cast<void*>(&Progress)},
        {"QDLL_GetCurrentState", reinterpret_cast<void*>(&State)},
        {"QDLL_GetErrorCode", reinterpret_cast<void*>(&ErrorCode)},
        {"QDLL_GetBADBlockInfomation", reinterpret_cast<void*>(&BadBlocks)},
        {"QDLL_RunRepairDevice", reinterpret_cast<void*>(&Repair)},
    };
}

RevertPassesFactory FakeRevertPasses(FakeRevertScript& script) {
    return [&script](FlashGeometry& geometry, RevertOptions&, RevertHost&) -> std::unique_ptr<RevertPasses> {
        return std::make_unique<ScriptedPasses>(script, geometry);
    };
}

std::span<const platform::ResourceEntry> RunStrings() {
    static const platform::ResourceEntry table[] = {
        {platform::kStringTableType, 1, 0, reinterpret_cast<const std::uint8_t*>(kStrings), sizeof kStrings - 1},
    };
    return table;
}

LibraryAnswers AnswersFor(const vdrive::DriveSetup& setup) {
    LibraryAnswers a;
    a.driveLetter = 'D';
    std::copy(std::begin(setup.identity.flashId), std::end(setup.identity.flashId), a.chipId);
    a.model = static_cast<std::uint8_t>(setup.identity.chipId);
    a.zoneBank = setup.identity.zoneBank;
    a.chipCount = static_cast<std::uint8_t>(setup.geometry.chipEnables);
    a.maxSectors = static_cast<std::uint16_t>(setup.geometry.pagesPerBlock);
    a.maxLogSectors = static_cast<std::uint16_t>(setup.geometry.SectorsPerBlock());
    a.maxBlocks = static_cast<std::uint16_t>(setup.geometry.blocksPerZone);
    a.maxZones = static_cast<std::uint16_t>(setup.geometry.zones);
    a.redundantSymbol = static_cast<std::uint8_t>(setup.identity.redundantSymbol);
    return a;
}

RunRig::RunRig(std::vector<std::string> images) : drives(std::move(images), noDisks, fake.clock) {
    ResetFakeLibrary();
    fake.modules.modules["QDLL"] = RunLibrarySymbols();
    console.chipId = 0x0090;
    geometry.model = 0x0090;
    options.EccLimit = 3;
    script.clock = &fake.clock;
}

RunRig::~RunRig() { FakeLibrary().repairGate = nullptr; }

bool RunRig::FinishRevert(RepairRun& run) {
    for (int i = 0; i < 10000; ++i) {
        run.OnTimer(kRevertTimer);
        if (view.Called("Timer-2")) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void RunRig::TickLibrary(RepairRun& run, int ticks) {
    for (int i = 0; i < ticks && view.endCode < 0; ++i) {
        run.OnTimer(kLibraryTimer);
        if (view.endCode < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace mendora::testing

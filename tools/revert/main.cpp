// mendora-revert: the complete revert of one drive from the command line, identified by the
// device library and reverted as the repair console's revert worker does it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "console/RevertPreparation.h"
#include "console/RevertSequence.h"
#include "flash/RevertEngine.h"
#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/StopRequests.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/Console.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/scsi/NativeScsi.h"
#include "resources/EmbeddedResources.h"
#include "tools/common/EngineMap.h"
#include "tools/common/GuardedFiles.h"
#include "tools/common/ReportFile.h"
#include "tools/revert/CertifyStep.h"
#include "tools/revert/Identify.h"
#include "tools/revert/Options.h"
#include "tools/revert/RevertRecord.h"
#include "tools/revert/StatusLine.h"
#include "tools/revert/TuningRegistry.h"
#include "tools/revert/WorkDirectory.h"

namespace {

using namespace mendora;
using namespace mendora::revert_tool;

constexpr int kExitFinished = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr const char* kTuningKey = "software\\kzrevert";

// The revert's stop flag once there is one; a stop asked for before it exists is kept.
std::atomic<std::atomic<std::uint8_t>*> gStopFlag{nullptr};
std::atomic<bool> gStopAsked{false};

void AskStop() {
    gStopAsked.store(true);
    if (auto* stop = gStopFlag.load()) stop->store(1, std::memory_order_relaxed);
}

// Message boxes as lines on stderr, answered with OK.
class StderrMessages : public platform::MessageHost {
public:
    int MessageBox(const std::string& text, const std::string& caption, platform::MessageButtons) override {
        platform::PrintText(stderr, "\n%s: %s\n", caption.c_str(), text.c_str());
        return platform::kIdOk;
    }
    [[noreturn]] void FatalExit(const std::string& text) override {
        platform::PrintText(stderr, "mendora-revert: %s\n", text.c_str());
        std::exit(kExitUsage);
    }
    bool ActivateWindow(const std::string&) override { return false; }
};

using NoUsbDisks = platform::NoUsbDisks;

// The console's sequence over an engine of its own, whose bad-block map is kept.
std::uint8_t RunRevert(FlashGeometry& geo, RevertOptions& options, int logFlag,
                       RevertHost& host, EngineBlocks* blocks) {
    RevertEngine engine("", geo, options, logFlag, host);
    EnginePasses passes(engine);
    const std::uint8_t result = RunRevertSequence(passes, geo, options.EccLimit);
    *blocks = EngineBlocksOf(engine, geo);
    return result;
}

// The run's work directory, removed when the run ends however it ends.
struct WorkDirectoryGuard {
    std::string path;
    ~WorkDirectoryGuard() {
        if (!path.empty()) RemoveWorkDirectory(path);
    }
};

void Complain(const std::string& text) { platform::PrintText(stderr, "mendora-revert: %s\n", text.c_str()); }

int Fail(const std::string& text, int code) {
    Complain(text);
    return code;
}

// The drive the revert worked on, as its identity says: port and serial.
platform::DriveIdentity IdentityOf(platform::DriveNamespace& drives, const std::string& given) {
    const std::string name = platform::NormalDriveName(given);
    for (const platform::DriveEntry& entry : drives.Drives())
        if (entry.name == name || entry.identity.port == name) return entry.identity;
    return {};
}

nlohmann::json ReportOf(const std::string& driveName, const LibraryAnswers& answers, const FlashGeometry& geo,
                        const EngineBlocks& blocks, std::uint8_t result, long long seconds) {
    return {{"drive", driveName},
            {"flash_id", std::vector<int>(answers.chipId, answers.chipId + 5)},
            {"model", answers.model},
            {"geometry", GeometryJson(geo)},
            {"bad_blocks", BadBlockList(blocks)},
            {"bad_block_count", geo.BadBlockCount.load()},
            {"seconds", seconds},
            {"status_code", result},
            {"status", StatusText(result)},
            {"verdict", result == revert_status::kFinish ? "reverted" : "failed"}};
}

// The map and the report the options ask for; false when one of them (each said on
// stderr) could not be written.
bool WriteOutputs(const Options& options, const EngineBlocks& blocks, const nlohmann::json& report) {
    std::string problem;
    bool written = true;
    if (!options.mapFile.empty() && !tools::WriteEngineMap(options.mapFile, blocks, &problem)) {
        Complain(problem);
        written = false;
    }
    if (options.jsonFile.empty()) return written;
    if (tools::WriteReportFile(options.jsonFile, report.dump(2) + "\n", &problem)) return written;
    Complain(problem);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    platform::ProgramArguments arguments(argc, argv);
    Options options;
    if (auto exit = ParseOptions(arguments.Count(), arguments.Values(), &options)) return *exit;
    if (std::string problem = CheckOutputs(options); !problem.empty()) return Fail(problem, kExitUsage);
    // Ctrl-C, SIGTERM or a closed terminal stop the revert at the next block, its report
    // written; a command under way is never cut in half.
    platform::StopRequests stops([](int) { AskStop(); });

    StderrMessages messages;
    auto resources = platform::ExecutableResources(EmbeddedResourceTable());
    platform::NativeKernel host(*resources, messages);

    NoUsbDisks none;
    platform::NativeDiskFinder udev;
    const bool virtualOnly = !options.vdrive.empty();
    auto images = virtualOnly ? std::vector<std::string>{options.vdrive} : platform::DriveNamespace::ImagesFromEnvironment();
    platform::DriveNamespace drives(images, virtualOnly ? static_cast<platform::UsbDiskFinder&>(none) : udev,
                                    host.clock);
    const std::string driveName = virtualOnly ? "D:" : options.drive;

    std::string error;
    if (!drives.Pin(driveName, &error, options.unmount)) return Fail(error, kExitUsage);
    // A drive that cannot be opened (a missing or damaged image, a node that is gone) is
    // said as such before the library is asked about it.
    if (!drives.Open(driveName, &error)) return Fail(error, kExitUsage);
    WorkDirectoryGuard work{PrepareWorkDirectory(host.kernel, &error)};
    if (work.path.empty()) return Fail(error, kExitUsage);
    WorkDirectoryModules modules(work.path);
    auto library = std::make_unique<DeviceLibrary>(modules, "QDLL");
    LibraryAnswers answers;
    Identified identified;
    if (std::string problem = IdentifyDrive(host.kernel, *library, drives, images, driveName, &answers, &identified);
        !problem.empty())
        return Fail(problem, kExitUsage);
    FlashGeometry geo;
    gStopFlag.store(&geo.Stop);
    if (gStopAsked.load()) geo.Stop = 1;
    RevertOptions revertOptions;
    PrepareRevertRecords(answers, geo, revertOptions);
    if (options.testLevel) revertOptions.TestLevel = *options.testLevel;
    if (options.eccLimit) revertOptions.EccLimit = *options.eccLimit;

    TuningRegistry registry(host.registry);
    if (options.startBlock) registry.Set(kTuningKey, "TestStartBlock", *options.startBlock);
    if (options.blockCount) registry.Set(kTuningKey, "TestBlockCount", *options.blockCount);
    if (options.skipCannotMarkBad) registry.Set(kTuningKey, "SkipCannotmarkBad", *options.skipCannotMarkBad);
    const std::uint32_t start = registry.ReadDword(kTuningKey, "TestStartBlock").value_or(0);
    const std::uint32_t count = registry.ReadDword(kTuningKey, "TestBlockCount").value_or(0);
    if (std::string problem = CheckTestBlocks(start, count, geo.BlocksPerChip); !problem.empty())
        return Fail(problem, kExitUsage);

    tools::GuardedFiles files(host.files);  // the log
    RevertHost revertHost{drives, files, registry, host.profiles, messages, host.clock, work.path};

    auto started = std::chrono::steady_clock::now();
    std::uint8_t result;
    EngineBlocks blocks;
    {
        StatusPrinter printer(geo, stdout, platform::IsTerminal(stdout));
        result = RunRevert(geo, revertOptions, options.logFlag, revertHost, &blocks);
    }
    std::optional<CertifyOutcome> certified;
    const auto certifyMode = certify::ModeNamed(options.certify);
    if (certifyMode && result == revert_status::kFinish)
        certified = CertifyAfterRevert(*library, identified, drives, driveName, *certifyMode, &gStopAsked);
    library.reset();  // out of the work directory before it goes
    RemoveWorkDirectory(work.path);
    work.path.clear();

    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    platform::PrintText(stdout, "Result : %s\n", StatusText(result).c_str());
    platform::PrintText(stdout, "Bad Blocks : %u, Escape time : %02lld mins %02lld secs\n", geo.BadBlockCount.load(),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    if (certified) platform::PrintText(stdout, "%s\n", CertifyLine(*certified).c_str());
    nlohmann::json report = ReportOf(driveName, answers, geo, blocks, result, seconds);
    if (certified) report["certify"] = CertifyJson(*certified, *certifyMode);
    bool written = WriteOutputs(options, blocks, report);
    // The record holds the drive's identity and time too; the report file stays as it was.
    nlohmann::json recorded = report;
    const platform::DriveIdentity identity = IdentityOf(drives, driveName);
    recorded["port"] = identity.port, recorded["serial"] = identity.serial;
    recorded["phase_seconds"] = {{"revert", seconds}};
    KeepRevertRecord(recorded, host.profiles, host.clock);
    if (!files.Failure().empty()) {
        Complain(files.Failure());
        written = false;
    }
    if (result != revert_status::kFinish) return Fail("the revert failed: " + StatusText(result), kExitFailed);
    if (certified && !certified->result.Passed()) return Fail("not certified: " + certified->result.verdict, kExitFailed);
    return written ? kExitFinished : kExitFailed;
}

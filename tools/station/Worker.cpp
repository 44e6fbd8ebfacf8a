#include "tools/station/Worker.h"

#include <chrono>

#include "console/ConsoleStrings.h"
#include "console/DriveReport.h"
#include "console/DeviceSelection.h"
#include "console/DriveIdentification.h"
#include "console/RevertPreparation.h"
#include "console/StatusTexts.h"
#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/StopRequests.h"
#include "resources/EmbeddedResources.h"

namespace mendora::station {

namespace {

std::atomic<std::atomic<std::uint8_t>*> gStopFlag{nullptr};
std::atomic<bool> gInterrupted{false};

// Message boxes of the engine become lines to the station, answered OK.
class LinkMessages : public platform::MessageHost {
public:
    explicit LinkMessages(LineWriter& link) : link_(link) {}
    int MessageBox(const std::string& text, const std::string&, platform::MessageButtons) override {
        link_.Send({{"t", "message"}, {"text", text}});
        return platform::kIdOk;
    }
    [[noreturn]] void FatalExit(const std::string& text) override {
        link_.Send({{"t", "report"}, {"verdict", "failed"}, {"reason", text}});
        std::_Exit(1);
    }
    bool ActivateWindow(const std::string&) override { return false; }

private:
    LineWriter& link_;
};

}  // namespace

void Worker::Interrupt() {
    gInterrupted.store(true);
    if (auto* stop = gStopFlag.load()) stop->store(1, std::memory_order_relaxed);
}

bool Worker::Interrupted() { return gInterrupted.load(); }

const std::atomic<bool>* Worker::InterruptFlag() { return &gInterrupted; }

Worker::Worker(platform::NativeKernel& host, platform::Resources& resources, LineWriter& link, WorkerOptions options)
    : host_(host),
      resources_(resources),
      link_(link),
      options_(std::move(options)),
      library_(host.modules, "QDLL"),
      drives_(platform::DriveNamespace::ImagesFromEnvironment(), disks_, host.clock, count_) {
    gStopFlag.store(&geo_.Stop);
}

Worker::~Worker() {
    StopReporter();
    gStopFlag.store(nullptr);
}

int Worker::Run() {
    if (!Hold()) {
        // Refused before any command: nothing was sent to the drive.
    } else if (options_.identifyOnly) {
        if (Identify()) report_["verdict"] = "identified";
    } else if (Identify()) {
        StartReporter();
        std::uint8_t result = Revert();
        report_["status_code"] = result;
        report_["status"] = StatusText(result);
        report_["bad_blocks"] = BadBlockList(blocks_);
        report_["bad_block_count"] = report_["bad_blocks"].size();
        if (!options_.mapFile.empty()) {
            std::string error;
            if (!tools::WriteEngineMap(options_.mapFile, blocks_, &error)) report_["map_error"] = error;
        }
        if (result != revert_status::kFinish) {
            Fail(Interrupted() ? "interrupted" : "failed", std::string("revert: ") + StatusText(result));
        } else if (Replug()) {
            Library();
            if (options_.certify && report_.value("verdict", "") == "repaired") Certify();
        }
        StopReporter();
    }
    Report();
    return 0;
}

// The worker's one drive, held against every other program for the whole repair, and freed
// of the system's uses when asked; refused when another program holds it or the system
// uses it, and failed with the reason when it cannot be opened (a missing or damaged image,
// a node that is gone).
bool Worker::Hold() {
    auto drives = drives_.Drives();
    if (drives.empty()) return Fail("failed", LoadConsoleString(resources_, kNoDeviceString)), false;
    const std::string name = drives.front().name;
    driveName_ = name;
    std::string error;
    if (!drives_.Pin(name, &error, options_.unmount && !options_.identifyOnly)) return Refused(error);
    if (!drives_.Open(name, &error)) return Fail("failed", error), false;
    return true;
}

bool Worker::Identify() {
    if (!library_.Has(DeviceLibrary::Entry::CreateCUSBDevice)) return Refused("Can't find QDLL.dll"), false;
    device_ = library_.CreateCUSBDevice();
    const DriveIdentification drive = IdentifyDrive(library_, device_);
    if (!drive.Found()) {
        Fail("failed", LoadConsoleString(resources_, kNoDeviceString));
        return false;
    }
    selectionCode_ = ReadDeviceSelection(host_.profiles, DeviceIniPath(host_.process.ExecutablePath()), 0);
    noFirmware_ = drive.description.noFirmware;
    chipId_ = drive.chip.id;

    PrepareRevertRecords(drive.answers, geo_, revertOptions_);
    report_.update(DriveReport(drive, geo_));
    nlohmann::json identity = report_;
    identity["t"] = "identity";
    link_.Send(identity);

    if (std::uint16_t refusal = Refusal(drive, HostOsBuild(host_.kernel.version)))
        return Refused(LoadConsoleString(resources_, refusal));
    return true;
}

bool Worker::Refused(const std::string& why) {
    report_["verdict"] = "refused";
    report_["reason"] = why;
    return false;
}

void Worker::Fail(const std::string& verdict, const std::string& why) {
    report_["verdict"] = verdict;
    report_["reason"] = why;
    if (auto reached = BlockReached()) report_["block_reached"] = *reached;
}

// The block of the last flash command the drive carried: where the drive got to, which the
// engine's own position may have passed (a pass that goes on over commands that fail).
std::optional<nlohmann::json> Worker::BlockReached() const {
    auto place = count_.Reached();
    if (!place || geo_.SectorsPerBlocks == 0) return std::nullopt;
    return nlohmann::json{{"chip", place->chip}, {"block", place->sector / geo_.SectorsPerBlocks}};
}

void Worker::Report() {
    nlohmann::json seconds = nlohmann::json::object();
    auto times = phases_.Seconds();
    for (Phase p : kPhases)
        if (times[PhaseIndex(p)] > 0 && p != Phase::Done) seconds[PhaseName(p)] = times[PhaseIndex(p)];
    report_["t"] = "report";
    report_["phase"] = PhaseName(phases_.Current());  // where it ended
    report_["phase_seconds"] = seconds;
    report_["bytes_written"] = count_.written.load();
    report_["bytes_read"] = count_.read.load();
    if (!report_.contains("verdict")) report_["verdict"] = "failed";
    link_.Send(report_);
}

// A line every 200 ms; the thread sleeps in between and wakes at once when stopped.
void Worker::StartReporter() {
    reporting_ = true;
    reporter_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(reporterMutex_);
        while (reporting_.load()) {
            lock.unlock();
            if (!link_.Send(ProgressLine())) Interrupt();  // the station is gone: stop
            lock.lock();
            reporterWake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return !reporting_.load(); });
        }
    });
}

void Worker::StopReporter() {
    {
        std::lock_guard<std::mutex> lock(reporterMutex_);
        reporting_ = false;
    }
    reporterWake_.notify_all();
    if (reporter_.joinable()) reporter_.join();
}

nlohmann::json Worker::ProgressLine() {
    // The pattern test reads back after it has written.
    if (geo_.Status.load(std::memory_order_relaxed) == revert_status::kReadVerify)
        phases_.Advance(Phase::PatternWrite, Phase::Verify);
    Phase phase = phases_.Current();
    nlohmann::json line = {{"t", "progress"},
                           {"phase", PhaseName(phase)},
                           {"fraction", PhaseFraction(phase)},
                           {"bad", geo_.BadBlockCount.load(std::memory_order_relaxed)},
                           {"written", count_.written.load(std::memory_order_relaxed)},
                           {"read", count_.read.load(std::memory_order_relaxed)}};
    if (auto reached = BlockReached()) line.update(*reached);
    if (phase == Phase::Certify) {
        const auto since = std::chrono::steady_clock::duration(certifyStart_.load());
        line["certify_seconds"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch() - since).count();
    }
    return line;
}

double Worker::PhaseFraction(Phase phase) {
    if (phase == Phase::Library) return library_.GetCurrentProgress(device_) / 100.0;
    if (phase == Phase::Certify) return certifyProgress_.Fraction();
    const double blocks = static_cast<double>(geo_.chipcnt) * geo_.BlocksPerChip;
    if (blocks <= 0 || phase == Phase::Replug || phase == Phase::Identify) return 0;
    const double at = static_cast<double>(geo_.CurrentChip.load(std::memory_order_relaxed)) * geo_.BlocksPerChip +
                      geo_.CurrentBlock.load(std::memory_order_relaxed) + 1;
    return std::min(1.0, at / blocks);
}

int RunWorker(const WorkerOptions& options) {
    // Taken before any thread starts: no wait for the drive is cut in half by a signal.
    platform::StopRequests stops([](int) { Worker::Interrupt(); });

    LineWriter link(stdout);
    LinkMessages messages(link);
    auto resources = platform::ExecutableResources(EmbeddedResourceTable());
    platform::NativeKernel host(*resources, messages);
    Worker worker(host, *resources, link, options);
    return worker.Run();
}

}  // namespace mendora::station

#include "console/RepairRun.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

#include "console/BadBlockShare.h"
#include "console/ConsoleStrings.h"
#include "console/LibraryPhase.h"
#include "console/LibraryWorker.h"
#include "console/RepairFlags.h"
#include "console/ReplugRule.h"
#include "console/ReplugWatch.h"
#include "console/RevertWorker.h"
#include "console/RunSummary.h"
#include "console/StatusTexts.h"

namespace mendora {

namespace {

constexpr std::size_t kStringBufferSize = 260;
constexpr std::uint32_t kLibraryPeriod = 5;
constexpr std::uint32_t kRevertPeriod = 500;
constexpr std::uint32_t kReplugPeriod = 100;
constexpr std::uint32_t kSettleMilliseconds = 1000;
constexpr int kEndCode = 2;
constexpr const char* kArrivedEventName = "DeviceArrived";

enum class Phase { Idle, Reverting, Library, Finished, Stopped };

}  // namespace

struct RepairRun::State {
    State(RunContext c, RevertPassesFactory p) : context(c), passes(std::move(p)) {}

    RunContext context;
    RevertPassesFactory passes;
    Phase phase = Phase::Idle;
    std::shared_ptr<platform::Event> arrived;
    ReplugWatch watch;
    bool popupShown = false;
    unsigned timersRunning = 0;  // bit per timer id
    std::int64_t startTime = 0;
    // When each phase of the run started and ended, in the clock's milliseconds.
    struct {
        std::uint64_t revertStart = 0, revertEnd = 0, libraryStart = 0;
    } times;
    std::unique_ptr<RevertWorker> revert;
    std::unique_ptr<LibraryWorker> library;

    std::string String(std::uint16_t id) { return context.kernel.resources.LoadString(id, kStringBufferSize); }
    void Debug(const std::string& line) { context.kernel.debug.Write(line); }
    void Wait(std::uint32_t milliseconds) { context.kernel.clock.Sleep(milliseconds); }

    void StartTimer(int id, std::uint32_t period) {
        timersRunning |= 1u << id;
        context.view.StartTimer(id, period);
    }
    void StopTimer(int id) {
        timersRunning &= ~(1u << id);
        context.view.StopTimer(id);
    }
    void StopAllTimers() {
        for (int id : {kLibraryTimer, kRevertTimer, kReplugTimer})
            if (timersRunning & (1u << id)) StopTimer(id);
    }

    void Finish(std::uint16_t message) {
        phase = Phase::Finished;
        context.view.Message(String(message), platform::MessageButtons::Ok);
        context.view.End(kEndCode);
    }

    void StartRevert();
    void RevertTick();
    void RevertOver();
    void ReplugOrRelease();
    void StartLibraryPhase();
    void LibraryTick();
    void ShowBadBlockFigures();
    void ReplugTick();
    void Stop();
    void LibraryStopped();
    void RecordLibraryOutcome(std::uint32_t error);
    void Record(const std::string& verdict, const std::string& reason, std::optional<std::uint32_t> libraryError);
};

void RepairRun::State::StartRevert() {
    ConsoleState& console = context.console;
    const std::uint8_t flags = RepairFlagsFor(console.selectionCode, context.view.CompleteChecked(),
                                              context.view.UpdateFirmwareChecked(), console.chipId);
    console.repairFlags = flags;
    Debug("In GetInput, bflag=" + std::to_string(flags));
    if (context.view.Message(String(kConfirmString), platform::MessageButtons::OkCancel) != platform::kIdOk) return;

    arrived = context.kernel.events.Create(kArrivedEventName, true, false);
    watch.ClearReleased();
    context.view.DisableStartButton();
    context.view.ShowStatusText(true);
    context.view.SetProgress(0);
    phase = Phase::Reverting;
    StartTimer(kRevertTimer, kRevertPeriod);
    startTime = context.kernel.clock.CalendarTime();
    times.revertStart = context.kernel.clock.TickCount();
    revert = std::make_unique<RevertWorker>(passes, context.geometry, context.options, context.revertHost,
                                            context.kernel.debug);
    revert->Start();
}

void RepairRun::State::RevertTick() {
    FlashGeometry& geometry = context.geometry;
    const std::uint8_t status = geometry.Status;
    const std::string line = RevertStatusLine(status, geometry.CurrentBlock, geometry.BadBlockCount);
    context.view.SetStatusText(line);
    if (status == revert_status::kCantMarkBad) Debug(line);
    context.view.SetProgress(static_cast<int>(geometry.Progress.load()));
    if (revert->Running()) return;
    RevertOver();
}

void RepairRun::State::RevertOver() {
    const std::int64_t endTime = context.kernel.clock.CalendarTime();
    context.view.SetProgress(100);
    StopTimer(kRevertTimer);
    const std::string summary = RevertSummary(context.geometry.BadBlockCount, endTime - startTime);
    Debug("REVERT FINISHED");
    Debug(summary);
    context.view.SetStatusText(summary);
    revert->Join();
    times.revertEnd = context.kernel.clock.TickCount();
    if (!revert->Succeeded()) {
        Record("failed", std::string("revert: ") + StatusText(revert->Status()), std::nullopt);
        Finish(kRepairFailString);
        return;
    }
    watch.Restart();
    StartTimer(kReplugTimer, kReplugPeriod);
    ReplugOrRelease();
    StartLibraryPhase();
}

void RepairRun::State::ReplugOrRelease() {
    if (NeedsReplug(context.console.chipId, context.console.noFirmware != 0)) {
        Wait(kSettleMilliseconds);
        if (!watch.Released()) {
            context.view.ShowReplugPopup();
            popupShown = true;
        }
        return;
    }
    arrived->Set();
}

void RepairRun::State::StartLibraryPhase() {
    context.view.ShowStatusText(false);
    context.view.SetProgress(0);
    phase = Phase::Library;
    times.libraryStart = context.kernel.clock.TickCount();
    StartTimer(kLibraryTimer, kLibraryPeriod);
    library = std::make_unique<LibraryWorker>(context.library, context.device, context.console.repairFlags, arrived);
    library->Start();
}

void RepairRun::State::LibraryTick() {
    int progress = context.library.GetCurrentProgress(context.device);
    // 100 waits for the library to say it has ended.
    if (progress >= 100) --progress;
    context.view.SetProgress(progress);
    const int state = context.library.GetCurrentState(context.device) & 0xFF;
    if (state != kQdllStateFinished) return;

    StopTimer(kLibraryTimer);
    context.view.SetProgress(100);
    ShowBadBlockFigures();
    Wait(kSettleMilliseconds);
    const std::uint32_t error = LibraryPhase(context.library, context.device).ErrorCode();
    char line[40];
    std::snprintf(line, sizeof line, "ErrCode=0x%" PRIX32 "\n", error);
    Debug(line);
    RecordLibraryOutcome(error);
    Finish(LibraryRepairFailed(error) ? kRepairFailString : kRepairCompleteString);
}

void RepairRun::State::ShowBadBlockFigures() {
    const BadBlockFigures figures = LibraryPhase(context.library, context.device).BadBlocks();
    const BadBlockShare share =
        BadBlockShareOf(figures.bad, figures.total, figures.divisor, String(kBadBlocksString));
    context.view.ShowBadBlocks(share.spanDegrees, share.label);
}

void RepairRun::State::ReplugTick() {
    if (!watch.Tick()) return;
    if (popupShown) context.view.HideReplugPopup();
    Wait(kSettleMilliseconds);
    arrived->Set();
}

void RepairRun::State::Stop() {
    if (phase == Phase::Stopped) return;
    const Phase stoppedIn = phase;
    phase = Phase::Stopped;
    StopAllTimers();
    bool waiting = false;
    if (revert && revert->Running()) {
        context.geometry.Stop = 1;
        waiting = true;
    }
    // A worker still waiting for the drive is released without calling the library.
    if (library && library->Cancel()) waiting = true;
    if (waiting) context.view.ShowClosing();
    if (revert) revert->Stop();
    if (library) library->Join();
    if (stoppedIn == Phase::Reverting) {
        times.revertEnd = context.kernel.clock.TickCount();
        Record("interrupted", "closed during the revert", std::nullopt);
    }
    if (stoppedIn == Phase::Library) LibraryStopped();
}

// Closed in the library phase: a library call under way was let finish, and the drive is as
// the library left it; without one, the run stopped while waiting for the drive's re-plug.
void RepairRun::State::LibraryStopped() {
    if (!context.recorder) return;  // the library is asked nothing more
    if (!library->Called()) return Record("interrupted", "closed while waiting for the re-plug", std::nullopt);
    RecordLibraryOutcome(LibraryPhase(context.library, context.device).ErrorCode());
}

void RepairRun::State::RecordLibraryOutcome(std::uint32_t error) {
    const bool failed = LibraryRepairFailed(error);
    Record(failed ? "failed" : "repaired", failed ? "library: " + String(kRepairFailString) : "", error);
}

// The run's report for its record: the drive as the dialog identified it, then the blocks
// found bad, each phase's seconds, the statuses and how the run ended. Asks the library for
// the firmware version only once its repair has ended, and only when a record is kept.
void RepairRun::State::Record(const std::string& verdict, const std::string& reason,
                              std::optional<std::uint32_t> libraryError) {
    if (!context.recorder) return;
    nlohmann::json report = context.driveReport;
    const auto seconds = [](std::uint64_t from, std::uint64_t to) { return to > from ? (to - from) / 1000.0 : 0.0; };
    report["phase_seconds"] = {{"revert", seconds(times.revertStart, times.revertEnd)}};
    if (revert && !revert->Running()) {
        const std::uint8_t status = revert->Status();
        report["status_code"] = status;
        report["status"] = StatusText(status);
        report["bad_blocks"] = BadBlockList(revert->BadBlocks());
        report["bad_block_count"] = report["bad_blocks"].size();
    }
    if (library)
        report["phase_seconds"]["library"] = seconds(times.libraryStart, context.kernel.clock.TickCount());
    if (libraryError) {
        LibraryPhase phase(context.library, context.device);
        report["library_error"] = *libraryError;
        if (auto firmware = phase.FirmwareVersion()) report["firmware_after"] = *firmware;
    }
    report["verdict"] = verdict;
    if (!reason.empty()) report["reason"] = reason;
    context.recorder->Keep(report);
}

RepairRun::RepairRun(RunContext context, RevertPassesFactory revertPasses)
    : state_(std::make_unique<State>(context, std::move(revertPasses))) {}

RepairRun::~RepairRun() { Stop(); }

void RepairRun::Start() {
    if (state_->phase == Phase::Idle) state_->StartRevert();
}

void RepairRun::OnTimer(int id) {
    State& s = *state_;
    if (!(s.timersRunning & (1u << id))) return;
    if (id == kRevertTimer && s.phase == Phase::Reverting) s.RevertTick();
    if (id == kReplugTimer) s.ReplugTick();
    if (id == kLibraryTimer && s.phase == Phase::Library) s.LibraryTick();
}

void RepairRun::OnDeviceChange(std::uint32_t event) {
    if (event == kDeviceArrival) state_->watch.OnArrival();
    if (event == kDeviceRemoveComplete) state_->watch.OnRemoval();
}

bool RepairRun::Busy() const {
    const State& s = *state_;
    return (s.revert && s.revert->Running()) || (s.library && s.library->Running());
}

void RepairRun::Stop() { state_->Stop(); }

}  // namespace mendora

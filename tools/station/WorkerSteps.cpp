// The worker's revert, re-plug and library steps.
#include <chrono>
#include <thread>

#include "console/ConsoleStrings.h"
#include "console/LibraryPhase.h"
#include "console/RepairFlags.h"
#include "console/ReplugRule.h"
#include "console/RevertSequence.h"
#include "flash/RevertEngine.h"
#include "platform/scsi/DeviceChangeWatcher.h"
#include "platform/scsi/NativeScsi.h"
#include "tools/station/ReplugFollow.h"
#include "tools/station/Worker.h"

namespace mendora::station {

namespace {

std::string Directory(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

Phase PassPhase(RevertPass pass) {
    switch (pass) {
        case RevertPass::Erase: return Phase::Erase;
        case RevertPass::PatternTest: return Phase::PatternWrite;
        case RevertPass::BlankCheck: return Phase::BlankCheck;
    }
    return Phase::Erase;
}

}  // namespace

// The USB disk this worker is confined to as it is on the bus now: absent, or present as
// this instance of itself (its confined namespace shows it alone, and only while it is
// there). A worker of a virtual drive watches its own image alone, so every event it sees
// is its drive's: present when `present`.
std::optional<std::string> Worker::DriveNow(bool present) {
    if (!platform::DriveNamespace::OnlyDriveFromEnvironment()) {
        if (!present) return std::nullopt;
        return std::string();
    }
    auto drives = drives_.Drives();
    if (drives.empty()) return std::nullopt;
    return drives.front().instance;
}

// The console's sequence, each pass shown as the phase it is.
std::uint8_t Worker::Revert() {
    RevertHost revertHost{drives_,        host_.files, host_.registry, host_.profiles, host_.kernel.messages,
                          host_.clock,    Directory(host_.process.ExecutablePath())};
    RevertEngine engine("", geo_, revertOptions_, 0, revertHost);
    EnginePasses passes(engine);
    RevertPassHooks hooks;
    hooks.before = [this](RevertPass pass) {
        phases_.Enter(PassPhase(pass));
        // Each pass's share done counts from its own start, not from where the last one ended.
        geo_.CurrentChip = 0;
        geo_.CurrentBlock = 0;
    };
    const std::uint8_t result = RunRevertSequence(passes, geo_, revertOptions_.EccLimit, hooks);
    blocks_ = EngineBlocksOf(engine, geo_);
    return result;
}

// A QF70 with firmware takes its new state only after a power cycle: wait for the drive's
// removal and arrival and then for quiet. Only this drive's own leaving and coming back
// count: another drive plugged in or out releases nothing. Unlike the console's watch, a
// removal and an arrival within one tick count as the re-plug they are.
bool Worker::Replug() {
    if (!NeedsReplug(chipId_, noFirmware_)) return true;
    using namespace std::chrono;
    ReplugFollow follow(DriveNow(true));
    platform::NativeDeviceChangeWatcher watcher(platform::DriveNamespace::ImagesFromEnvironment());
    watcher.Start([&](std::uint32_t event) { follow.Saw(DriveNow(event == platform::kDeviceArrivalEvent)); });
    // Only now is the user asked: a re-plug done at once is then seen.
    phases_.Enter(Phase::Replug);
    link_.Send(ProgressLine());
    const auto deadline = steady_clock::now() + duration<double>(options_.replugSeconds);
    while (!follow.Released()) {
        if (Interrupted()) return Fail("interrupted", "stopped while waiting for the re-plug"), false;
        if (steady_clock::now() > deadline) return Fail("failed", "the drive was not re-plugged in time"), false;
        std::this_thread::sleep_for(milliseconds(100));
        follow.Tick();
    }
    watcher.Stop();
    std::this_thread::sleep_for(seconds(1));
    return true;
}

// The library phase runs to its end even when the station is interrupted: a drive left
// half formatted would be worse than one that finishes.
void Worker::Library() {
    phases_.Enter(Phase::Library);
    const LibraryOutcome outcome =
        RunLibraryPhase(library_, device_, RepairFlagsFor(selectionCode_, false, noFirmware_, chipId_));
    phases_.Enter(Phase::Done);
    report_["library_error"] = outcome.errorCode;
    report_["library_bad_blocks"] = outcome.blocks.bad;
    report_["library_total_blocks"] = outcome.blocks.total;
    if (outcome.firmwareAfter) report_["firmware_after"] = *outcome.firmwareAfter;
    if (outcome.Failed()) {
        Fail("failed", "library: " + LoadConsoleString(resources_, kRepairFailString));
    } else {
        report_["verdict"] = "repaired";
    }
}

}  // namespace mendora::station

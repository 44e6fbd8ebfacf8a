// The station's loop behind its window: the same workers, stop requests and reports as the
// terminal's run, with the drives started by the person (or as they arrive) and followed
// as they are pulled out and plugged in.
#include <algorithm>
#include <atomic>

#include "platform/scsi/DeviceChangeWatcher.h"
#include "platform/scsi/NativeScsi.h"
#include "tools/station/Station.h"
#include "tools/station/window/DrivePresence.h"
#include "tools/station/window/WindowLink.h"

namespace mendora::station {

namespace {

bool Started(const DriveRow& row) { return row.worker != nullptr || row.finished; }
bool Running(const DriveRow& row) { return row.worker && row.worker->Running(); }

std::vector<std::string> WatchedImages(const StationOptions& options) {
    return options.vdrives.empty() ? platform::DriveNamespace::ImagesFromEnvironment() : options.vdrives;
}

}  // namespace

int Station::RunWindowed(const std::string& executable, const std::string& logDirectory, WindowLink& link,
                         const StationTexts& texts) {
    std::atomic<bool> changed{false};
    platform::NativeDeviceChangeWatcher watcher(WatchedImages(options_));
    watcher.Start([&changed](std::uint32_t) { changed = true; });
    // A drive not plugged in yet gets its tile when it arrives.
    FollowDriveChanges(executable, logDirectory, false);
    std::erase_if(rows_, [](const auto& row) { return row->removed; });
    Publish(link, texts, false, 0);
    int ownStops = Interrupts();
    bool wasBusy = false;
    for (;;) {
        for (StationCommand command : link.TakeCommands()) {
            if (command == StationCommand::Start && stopsSeen_ == 0) {
                for (auto& row : rows_)
                    if (!Started(*row) && !row->removed) StartWorker(*row, executable, logDirectory);
            } else if (command == StationCommand::Stop && stopsSeen_ == 0) {
                Interrupt(ownStops = Interrupts() + 1);
            } else if (command == StationCommand::Clear) {
                std::erase_if(rows_, [](const auto& row) { return row->removed && !Running(*row); });
            }
        }
        // A request from outside (Ctrl-C, a termination request) ends the station as closing does.
        const bool outsideStop = Interrupts() > ownStops;
        if (link.Closing() && Interrupts() == 0) Interrupt(ownStops = 1);
        if (changed.exchange(false)) FollowDriveChanges(executable, logDirectory, link.AutoStart() && stopsSeen_ == 0);
        Forward();
        Poll();
        Watch(Seconds());
        const bool busy = Busy();
        // Every worker has ended: the reports hold what is known so far.
        if (wasBusy && !busy) {
            ReleaseWorkers();
            KeepRecords();
            WriteReports();
        }
        wasBusy = busy;
        if ((link.Closing() || outsideStop) && !busy) break;
        Publish(link, texts, false, 0);
    }
    watcher.Stop();
    ReleaseWorkers();
    KeepRecords();
    Summary();
    const bool written = WriteReports();
    int status = written ? 0 : 1;
    for (const auto& row : rows_)
        if (row->finished && (!row->Repaired() || !CertifyPassed(row->report, options_.certify))) status = 1;
    Publish(link, texts, true, status);
    return status;
}

// Arrivals get their row (and start at once with auto-start on); a drive gone is marked
// removed, unless it is the re-plug its own worker waits for; one back is unmarked.
void Station::FollowDriveChanges(const std::string& executable, const std::string& logDirectory, bool autoStart) {
    const auto drives = CurrentDrives();
    std::vector<const platform::DriveEntry*> present;
    for (const auto& entry : drives)
        if (DrivePresent(entry)) present.push_back(&entry);
    for (auto& row : rows_) {
        const bool here = std::any_of(present.begin(), present.end(),
                                      [&](const auto* e) { return e->identity.SamePlace(row->place); });
        if (Running(*row) && row->phase == Phase::Replug) continue;
        const bool back = row->removed && here;
        row->removed = !here;
        if (back && autoStart && !Started(*row)) StartWorker(*row, executable, logDirectory);
    }
    for (const auto* entry : present) {
        const bool known = std::any_of(rows_.begin(), rows_.end(),
                                       [&](const auto& row) { return row->place.SamePlace(entry->identity); });
        if (known) continue;
        Add(*entry);
        if (autoStart) StartWorker(*rows_.back(), executable, logDirectory);
    }
}

void Station::Publish(WindowLink& link, const StationTexts& texts, bool ended, int status) {
    StationPicture picture;
    const double now = Seconds();
    for (const auto& row : rows_) {
        const std::string map = options_.mapDirectory.empty() ? "" : MapFileOf(options_.mapDirectory, row->name);
        picture.tiles.push_back(TileStateOf(*row, Started(*row), texts, map, now));
    }
    picture.stopping = stopsSeen_ > 0;
    picture.waiting = Waiting();
    picture.ended = ended;
    picture.exitStatus = status;
    link.Publish(std::move(picture));
}

}  // namespace mendora::station

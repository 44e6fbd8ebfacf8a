#include "tools/station/Station.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/scsi/NativeScsi.h"
#include "records/DriveRecord.h"
#include "tools/common/ReportFile.h"

namespace mendora::station {

namespace {

std::atomic<int> gStops{0};

// The worker sees its own drive alone: a virtual drive as the one image of its environment,
// a USB disk through the identity it is confined to.
std::vector<std::string> WorkerEnvironment(const platform::DriveEntry& entry) {
    const std::string images = std::string(platform::kVirtualDrivesVariable) + "=";
    if (entry.isVirtual) return {images + entry.source};
    return {images, std::string(platform::kOnlyDriveVariable) + "=" + entry.identity.Key()};
}

// The virtual drives of --vdrive as a namespace names them.
std::vector<platform::DriveEntry> ImageDrives(const std::vector<std::string>& images) {
    platform::NoUsbDisks none;
    platform::NativeClock clock;
    std::vector<std::string> paths;
    for (const auto& image : images) {
        std::error_code ignored;
        auto path = std::filesystem::absolute(image, ignored);
        paths.push_back(path.empty() ? image : path.string());
    }
    return platform::DriveNamespace(paths, none, clock).Drives();
}

std::vector<platform::DriveEntry> NamespaceDrives() {
    platform::NativeDiskFinder disks;
    platform::NativeClock clock;
    return platform::DriveNamespace(platform::DriveNamespace::ImagesFromEnvironment(), disks, clock).Drives();
}

bool Named(const platform::DriveEntry& entry, const std::vector<std::string>& wanted) {
    return std::any_of(wanted.begin(), wanted.end(), [&](const std::string& name) {
        return name == entry.name || name == entry.identity.port;
    });
}

}  // namespace

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Station::Interrupt(int count) { gStops.store(count); }
int Station::Interrupts() { return gStops.load(); }

Station::Station(StationOptions options, std::FILE* out, bool terminal)
    : options_(std::move(options)), out_(out), terminal_(terminal) {}

// Every drive is taken once, however often it is named, and a --drive name takes that drive
// alone.
bool Station::FindDrives(std::string* error) {
    std::vector<std::string> wanted;
    for (const auto& d : options_.drives) wanted.push_back(platform::NormalDriveName(d));
    auto drives = CurrentDrives();
    for (const auto& entry : drives) {
        if (!options_.vdrives.empty() || wanted.empty() || Named(entry, wanted)) Add(entry);
    }
    for (const auto& name : wanted) {
        const bool found = std::any_of(drives.begin(), drives.end(), [&](const auto& e) { return Named(e, {name}); });
        if (!found) return *error = "no drive " + name, false;
    }
    return true;
}

std::vector<platform::DriveEntry> Station::CurrentDrives() const {
    return options_.vdrives.empty() ? NamespaceDrives() : ImageDrives(options_.vdrives);
}

void Station::Add(const platform::DriveEntry& entry) {
    for (const auto& row : rows_)
        if (row->place.SamePlace(entry.identity)) return;
    auto row = std::make_unique<DriveRow>();
    row->name = entry.name, row->source = entry.source, row->place = entry.identity;
    row->env = WorkerEnvironment(entry);
    rows_.push_back(std::move(row));
}

int Station::Run(const std::string& executable, const std::string& logDirectory) {
    StartWorkers(executable, logDirectory);
    while (Busy()) {
        Forward();
        Poll();
        Watch(Seconds());
        Draw(Seconds());
    }
    ReleaseWorkers();
    KeepRecords();
    nextDraw_ = 0;
    Draw(Seconds());
    Summary();
    const bool written = WriteReports();
    for (const auto& row : rows_)
        if (!records::IsRepaired(row->report.value("verdict", "")) || !CertifyPassed(row->report, options_.certify))
            return 1;
    return written ? 0 : 1;
}

void Station::StartWorkers(const std::string& executable, const std::string& logDirectory,
                           const std::vector<std::string>& extraArgs) {
    for (auto& row : rows_) StartWorker(*row, executable, logDirectory, extraArgs);
}

void Station::StartWorker(DriveRow& row, const std::string& executable, const std::string& logDirectory,
                          const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args = {"--worker", "--replug-timeout", std::to_string(options_.replugSeconds)};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    if (options_.unmount) args.push_back("--worker-unmount");
    if (!options_.certify.empty()) args.insert(args.end(), {"--certify-mode", options_.certify});
    if (!options_.mapDirectory.empty())
        args.insert(args.end(), {"--map-file", MapFileOf(options_.mapDirectory, row.name)});
    platform::ChildLaunch launch;
    launch.program = executable;
    launch.arguments = std::move(args);
    launch.environment = row.env;
    launch.output = platform::ChildOutput::Pipe;
    launch.errors = platform::ChildOutput::File;
    launch.errorFile = logDirectory + "/worker-" + DriveFileStem(row.name) + ".log";
    row.worker = std::make_unique<platform::ChildProcess>();
    row.lastHeard = Seconds();
    std::string error;
    if (!row.worker->Start(launch, &error)) {
        row.worker.reset();
        row.Lost("cannot start a worker: " + error);
    }
}

// The workers have ended; their handles go too, so that their executable can be deleted
// with the station's directory (on Windows a process handle may keep it).
void Station::ReleaseWorkers() {
    for (auto& row : rows_) row->worker.reset();
}

bool Station::Busy() const {
    for (const auto& row : rows_)
        if (row->worker && row->worker->Running()) return true;
    return false;
}

// Ctrl-C reaches the workers of a terminal or console by itself; a request sent to the
// station alone (a termination request, a closed terminal) is handed on. A library phase already running is let finish,
// and a second request says so.
void Station::Forward() {
    const int stops = gStops.load();
    if (stops == stopsSeen_) return;
    if (stopsSeen_ == 0) {
        for (auto& row : rows_)
            if (row->worker && row->worker->Running()) row->worker->Stop(platform::StopKind::Interrupt);
    } else {
        std::fprintf(out_, "stopping: still waiting for%s\n", Waiting().c_str());
        std::fflush(out_);
    }
    stopsSeen_ = stops;
}

// " D: (library: a format or firmware write is let finish), E: (erase)".
std::string Station::Waiting() const {
    std::string text;
    for (const auto& row : rows_) {
        if (!row->worker || !row->worker->Running()) continue;
        text += (text.empty() ? " " : ", ") + row->name + " (" + PhaseName(row->phase);
        if (row->phase == Phase::Library) text += ": a format or firmware write is let finish";
        text += ")";
    }
    return text;
}

void Station::Poll() {
    std::vector<platform::ChildProcess*> workers;
    for (auto& row : rows_)
        if (row->worker && row->worker->Running()) workers.push_back(row->worker.get());
    platform::WaitForAny(workers, std::chrono::milliseconds(100));
    for (auto& row : rows_)
        if (row->worker && row->worker->Running()) Take(*row, Seconds());
}

void Station::Take(DriveRow& row, double now) {
    std::string bytes;
    const bool open = row.worker->ReadOutput(&bytes);
    row.lines.Add(bytes.data(), bytes.size());
    nlohmann::json line;
    while (row.lines.Next(&line)) {
        // A drive waiting for its re-plug is told at once, whatever the drawing rate.
        if (row.Apply(line, now) && row.phase == Phase::Replug) nextDraw_ = 0;
    }
    if (open) return;
    const auto end = row.worker->Wait(std::chrono::milliseconds::max());
    if (!row.finished)
        row.Lost("the worker ended without a report (" + (end ? platform::DescribeEnd(*end) : "gone") + ")");
}

void Station::Watch(double now) {
    for (auto& row : rows_) {
        if (!row->worker || !row->worker->Running() || now - row->lastHeard < options_.silenceSeconds) continue;
        row->worker->Terminate();
        row->worker->Wait(std::chrono::milliseconds::max());
        if (!row->finished) row->Lost("the worker stopped answering and was ended");
    }
}

void Station::Draw(double now) {
    if (now < nextDraw_) return;
    nextDraw_ = now + (terminal_ ? 0.5 : options_.interval);
    std::vector<RowView> views;
    for (const auto& row : rows_) views.push_back(ViewOf(*row, now));
    auto lines = TableLines(views);
    if (terminal_ && drawnLines_ > 0) std::fprintf(out_, "\x1b[%zuA", drawnLines_);
    for (const auto& line : lines) std::fprintf(out_, terminal_ ? "\x1b[2K%s\n" : "%s\n", line.c_str());
    if (!terminal_) std::fputc('\n', out_);
    drawnLines_ = lines.size();
    std::fflush(out_);
}

void Station::Summary() {
    int repaired = 0, refused = 0, other = 0;
    for (const auto& row : rows_) {
        if (!row->finished) continue;  // never started (the window's)
        const std::string verdict = row->report.value("verdict", "failed");
        records::IsRepaired(verdict) ? ++repaired : verdict == "refused" ? ++refused : ++other;
    }
    std::fprintf(out_, "%d repaired, %d refused, %d failed or interrupted\n", repaired, refused, other);
    std::fflush(out_);
}

bool Station::WriteReports() {
    bool written = true;
    for (const auto& row : rows_) {
        const auto mapError = row->report.find("map_error");
        if (mapError == row->report.end()) continue;
        const std::string why = mapError->is_string() ? mapError->get<std::string>() : mapError->dump();
        std::fprintf(stderr, "mendora-station: %s: %s\n", row->name.c_str(), why.c_str());
        written = false;
    }
    if (options_.jsonFile.empty()) return written;
    nlohmann::json all = nlohmann::json::array();
    for (const auto& row : rows_)
        if (row->finished) all.push_back(row->Report());  // a drive the window never started is left out
    std::string error;
    if (tools::WriteReportFile(options_.jsonFile,
                               all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", &error))
        return written;
    std::fprintf(stderr, "mendora-station: %s\n", error.c_str());
    return false;
}

}  // namespace mendora::station

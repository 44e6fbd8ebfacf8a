// The station's records: one per drive after its repair, the retire verdict from the stick's
// history, and the history and numbers asked for from the command line. A record that cannot
// be kept is a warning: it never changes a repair's verdict or the station's exit status.
#include "tools/station/StationRecords.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/kernel/HostFacts.h"
#include "platform/kernel/Console.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/NativeScsi.h"
#include "platform/scsi/DriveNamespace.h"
#include "records/LabRecordStore.h"
#include "records/PostgresRecordStore.h"
#include "records/RecordTables.h"
#include "records/ServerAddress.h"
#include "tools/station/Station.h"
#include "version/Version.h"

namespace mendora::station {

namespace {

void Warn(const std::string& text) { platform::PrintText(stderr, "mendora-station: records: %s\n", text.c_str()); }

std::unique_ptr<records::LabRecordStore> OpenStore(const records::RecordSettings& settings, std::string* error) {
    return records::OpenRecords(settings, error);
}

// The one line that says the lab's server did not get every record, and what waits.
void WarnUnsent(const records::LabRecordStore::Sending& sending) {
    if (sending.pending == 0) return;
    Warn(sending.problem + "; " + std::to_string(sending.pending) +
         " record(s) kept here, sent on a later run or by 'mendora-station sync'");
}

// Says that a question the lab's server should have answered was answered from here.
void WarnAnsweredHere(const records::LabRecordStore& store) {
    if (!store.ServerProblem().empty()) Warn(store.ServerProblem() + "; this station's own records are shown");
}

// What identifies the stick `given` names: a drive's name or port is looked up among the
// drives present, an image path made canonical as a virtual drive's port is; anything else
// is taken as a serial.
std::string StickNamed(const std::string& given) {
    std::error_code error;
    if (std::filesystem::is_regular_file(given, error)) {
        const auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(given), error);
        if (!error) return path.string();
    }
    platform::NativeDiskFinder udev;
    platform::NativeClock clock;
    const std::string name = platform::NormalDriveName(given);
    for (const auto& entry :
         platform::DriveNamespace(platform::DriveNamespace::ImagesFromEnvironment(), udev, clock).Drives()) {
        if (entry.name == name || entry.identity.port == given)
            return entry.identity.serial.empty() ? entry.identity.port : entry.identity.serial;
    }
    return given;
}

bool IsDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return false;
    const int month = std::atoi(text.substr(5, 2).c_str()), day = std::atoi(text.substr(8, 2).c_str());
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

void Print(const std::vector<std::string>& lines) {
    for (const auto& line : lines) platform::PrintText(stdout, "%s\n", line.c_str());
}

void PrintJson(const nlohmann::json& value) {
    platform::PrintText(stdout, "%s\n", value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

// The drive's record, with the retire verdict its stick's earlier records give.
records::DriveRecord JudgedRecord(records::RecordStore& store, DriveRow& row,
                                  const records::RecordFacts& facts, const records::RetireRule& rule) {
    auto record = records::RecordFromReport(row.Report(), facts);
    std::vector<records::DriveRecord> earlier;
    std::string error;
    if (!store.History(record.stick, &earlier, &error)) {
        Warn(row.name + ": the stick's history cannot be read (" + error + "); not judged for retirement");
    } else if (auto why = records::RetireReason(record, earlier, rule)) {
        row.report["verdict"] = record.verdict = "repaired, retire";
        row.report["retire_reason"] = record.reason = *why;
    }
    return record;
}

}  // namespace

records::RecordSettings StationRecordSettings(const std::string& configPath, const std::string& given) {
    auto host = platform::NativeHostFacts();
    platform::NativeProfileReader profiles;
    std::string problem;
    auto settings = records::ProgramRecordSettings(profiles, *host, configPath, &problem, given);
    if (!problem.empty()) platform::PrintText(stderr, "mendora-station: %s\n", problem.c_str());
    if (settings.enabled && !settings.server.empty() && !records::PostgresRecordStore::Built()) {
        // Said once, up front: this build's store answers every call with why it cannot.
        std::string error;
        records::PostgresRecordStore::Open(settings.server, &error);
        Warn(records::ShownServerAddress(settings.server) + ": " + error);
    }
    return settings;
}

// Each drive's record in one transaction of its own, after the stick's history has decided
// whether a repaired drive should rather be retired: the verdict then reads "repaired,
// retire" in the table, the summary and the report. Every drive is judged against the
// records from before this run, so that two sticks sharing a serial in one tray are not
// judged against each other. Only drives that finished and have no record yet are kept: the
// window keeps its drives' records each time every started drive has stopped.
void Station::KeepRecords() {
    const auto& settings = options_.records;
    if (!settings.enabled || !records::SqliteRecordStore::Built()) return;
    std::string error;
    auto store = OpenStore(settings, &error);
    if (!store) return Warn(error + "; this run is not recorded");
    auto host = platform::NativeHostFacts();
    platform::NativeClock clock;
    const std::string hostName = host->HostName();
    // What earlier runs left waiting goes first, so that the server's history of each stick,
    // which judges it, is whole.
    store->SendPending();
    std::vector<std::pair<DriveRow*, records::DriveRecord>> judged;
    for (auto& row : rows_) {
        if (!row->finished || row->recorded) continue;
        row->recorded = true;
        const records::RecordFacts facts{host->NewUuid(), hostName, MENDORA_VERSION,
                                         records::UtcTimeText(clock.CalendarTime())};
        if (facts.runId.empty()) {
            Warn(row->name + ": no random source for a run id; not recorded");
            continue;
        }
        judged.emplace_back(row.get(), JudgedRecord(*store, *row, facts, settings.retire));
    }
    for (auto& [row, record] : judged) {
        if (store->Append(record, &error)) row->report["run_id"] = record.runId;
        else Warn(row->name + ": not recorded: " + error);
    }
    WarnUnsent(store->SendPending());
}

int RunHistory(const records::RecordSettings& settings, const std::string& given, bool json) {
    std::string error;
    auto store = OpenStore(settings, &error);
    if (!store) return Warn(error), 1;
    const std::string stick = StickNamed(given);
    std::vector<records::DriveRecord> runs;
    if (!store->History(stick, &runs, &error)) return Warn(error), 1;
    WarnAnsweredHere(*store);
    if (json) PrintJson(records::HistoryJson(runs));
    if (runs.empty()) {
        if (!json) platform::PrintText(stdout, "no runs of %s recorded\n", stick.c_str());
        return 1;
    }
    if (json) return 0;
    platform::PrintText(stdout, "%s: %zu run(s)\n", stick.c_str(), runs.size());
    Print(records::HistoryLines(runs));
    return 0;
}

int RunStats(const records::RecordSettings& settings, const std::string& since, bool json) {
    if (!since.empty() && !IsDate(since)) {
        platform::PrintText(stderr, "mendora-station: --since %s: not a date (YYYY-MM-DD)\n", since.c_str());
        return 2;
    }
    std::string error;
    auto store = OpenStore(settings, &error);
    if (!store) return Warn(error), 1;
    records::RecordStats stats;
    if (!store->Stats(since, &stats, &error)) return Warn(error), 1;
    WarnAnsweredHere(*store);
    if (json) PrintJson(records::StatsJson(stats));
    else Print(records::StatsLines(stats));
    return 0;
}

int RunSync(const records::RecordSettings& settings) {
    if (!settings.enabled) return Warn("records are off"), 2;
    if (settings.server.empty())
        return Warn("no server is set (--records postgresql://..., or server = in the settings)"), 2;
    std::string error;
    auto store = OpenStore(settings, &error);
    if (!store) return Warn(error), 1;
    const auto sending = store->SendPending();
    platform::PrintText(stdout, "%llu record(s) sent to %s, %llu still to be sent\n",
                        static_cast<unsigned long long>(sending.sent), store->ShownServer().c_str(),
                        static_cast<unsigned long long>(sending.pending));
    if (sending.pending > 0) WarnUnsent(sending);
    else if (!sending.problem.empty()) Warn(sending.problem);
    return sending.pending == 0 && sending.problem.empty() ? 0 : 1;
}

}  // namespace mendora::station

// The station on virtual drives at USB 2.0 speed: eight and thirty-two drives at once against
// one alone, a whole repair against the time its commands take in the drive model, and the
// CPU the station and its workers use while they wait for the drives; what keeping records
// adds to a run, and how long the numbers over a large lab's records take.
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/WholeRepair.h"
#include "records/SqliteRecordStore.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace {

using namespace mendora;

struct Timing {
    double wall = 0;
    double cpu = 0;  // station and workers
    bool ok = false;
};

double ChildrenCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::vector<std::string> MakeDrives(const std::string& root, const std::string& prefix, int count) {
    std::vector<std::string> images;
    for (int i = 0; i < count; ++i) {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{1, 1, 1024, 8, 4};
        setup.plantings.factoryBad = 2;
        setup.plantings.weak = 1;
        setup.speed = vdrive::SpeedModel::Usb2;
        images.push_back(root + "/" + prefix + std::to_string(i) + ".img");
        std::string error;
        if (!vdrive::VirtualDrive::Create(images.back(), setup, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    }
    return images;
}

// Records go to the run's own database unless `records` says otherwise ("off": none).
Timing RunStation(const std::string& root, const std::vector<std::string>& images, std::string records = "") {
    std::vector<std::string> args = {"--yes", "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    if (records.empty()) records = root + "/records.db";
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root, "PATH=/usr/bin:/bin", "LANG=C",
                                    "MENDORA_RECORDS=" + records};
    Timing t;
    const double cpu = ChildrenCpu(), started = bench::Now();
    t.ok = bench::RunProgram(bench::BinDirectory() + "/mendora-station", args, env, root + "/station.out") == 0;
    t.wall = bench::Now() - started;
    t.cpu = ChildrenCpu() - cpu;
    return t;
}

std::optional<vdrive::DriveInfo> InfoOf(const std::string& image) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    return drive ? drive->Info(&error) : std::nullopt;
}

double ModelledSeconds(const std::string& image) {
    auto info = InfoOf(image);
    return info ? static_cast<double>(info->modelledMicros) / 1e6 : 0;
}

// A lab's records: `count` drive runs over a year, a few refused or failed, made in one
// statement so that the bench does not wait for 100,000 transactions.
bool FillRecords(const std::string& path, int count) {
    std::string error;
    if (!records::SqliteRecordStore::Open(path, &error)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    const std::string sql =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
        ") INSERT INTO runs (run_id, stick, serial, port, drive, description, chip_id, chip_version, flash_id, "
        "capacity_bytes, firmware_before, firmware_after, geometry, bytes_written, bytes_read, verdict, reason, "
        "status_code, library_error, host, program_version, recorded_at, total_blocks, bad_block_count) "
        "SELECT printf('run-%d', i), printf('SN%d', i % 60000), printf('SN%d', i % 60000), '1-2', 'E:', "
        "'QF90 128MB', 144, 1, '2c,da,90,95,06', 134217728, 'Q90110', 'Q90120', '{}', 1, 1, "
        "CASE WHEN i % 50 = 0 THEN 'refused' WHEN i % 37 = 0 THEN 'failed' ELSE 'repaired' END, "
        "CASE WHEN i % 50 = 0 THEN 'dual channel' WHEN i % 37 = 0 THEN 'revert: verify' ELSE '' END, 0, 0, "
        "'bench', '0.1', printf('2026-%02d-%02dT10:00:00Z', 1 + i % 12, 1 + i % 28), 1024, abs(random()) % 60 "
        "FROM n; INSERT INTO run_counts SELECT substr(recorded_at, 1, 10), verdict, reason, bad_block_count, "
        "count(*) FROM runs GROUP BY 1, 2, 3, 4";
    char* message = nullptr;
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "bench_station: %s\n", message ? message : "records not made");
    sqlite3_free(message);
    sqlite3_close(db);
    return ok;
}

// `mendora-station stats` over the database, start to end.
double TimeStats(const std::string& root, const std::string& database) {
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "LANG=C", "MENDORA_RECORDS=" + database};
    const double started = bench::Now();
    if (bench::RunProgram(bench::BinDirectory() + "/mendora-station", {"stats"}, env, root + "/stats.out") != 0)
        return -1;
    return bench::Now() - started;
}

}  // namespace

int main() {
    bench::PrivateRoot root;
    auto one = MakeDrives(root.Path(), "one", 1);
    auto eight = MakeDrives(root.Path(), "eight", 8);
    auto many = MakeDrives(root.Path(), "many", 32);
    Timing alone = RunStation(root.Path(), one);
    Timing together = RunStation(root.Path(), eight);
    Timing crowd = RunStation(root.Path(), many);
    Timing unrecorded = RunStation(root.Path(), eight, "off");
    const std::string lab = root.Path() + "/lab.db";
    const double stats = FillRecords(lab, 100000) ? TimeStats(root.Path(), lab) : -1;
    if (!alone.ok || !together.ok || !crowd.ok || !unrecorded.ok || stats < 0) {
        std::fprintf(stderr, "bench_station: a repair did not finish\n");
        return 1;
    }
    std::printf("station: %.3f (wall time of 8 drives at once / one drive alone, same run) goal 1.15\n",
                together.wall / alone.wall);
    std::printf("repair-usb2: %.3f (whole repair of one drive / the time its commands take in the drive model) "
                "goal 1.05\n",
                alone.wall / ModelledSeconds(one.front()));
    std::printf("station-cpu: %.3f (station and worker CPU time / wall time, 8 drives) goal 0.10\n",
                together.cpu / together.wall);
    std::printf("station-32: %.3f (wall time of 32 drives at once / one drive alone, USB 2.0 model) goal 1.2\n",
                crowd.wall / alone.wall);
    std::printf("station-cpu-32: %.3f (station and worker CPU / wall, 32 drives) goal 0.05\n", crowd.cpu / crowd.wall);
    std::printf("records-overhead: %.3f (station wall time with records / without, 8 drives, USB 2.0 model, same run) "
                "goal 1.01\n",
                together.wall / unrecorded.wall);
    std::printf("records-stats: %.4f (stats over 100,000 recorded drives / one station run of 8 drives) goal 0.01\n",
                stats / together.wall);
    return 0;
}

#include "records/SqliteRecordStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "records/SqliteSchema.h"
#include "records/SqliteStatement.h"
#include "records/StatsCounting.h"

namespace mendora::records {

namespace {

constexpr int kBusyMilliseconds = 10000;

bool Execute(sqlite3* db, const std::string& sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

// The one number a pragma or count answers; false with the reason when the file cannot say.
bool Number(sqlite3* db, const char* sql, std::int64_t* value, std::string* error) {
    SqliteStatement s(db, sql);
    if (s.Step() != SQLITE_ROW) return *error = s.Error(), false;
    *value = s.Int(0);
    return true;
}

// Undoes an open transaction unless it was committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) {}
    ~Transaction() {
        if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    // BEGIN IMMEDIATE: the write lock is taken at once, so that a busy file is waited for
    // here and never found busy half way through.
    bool Begin(std::string* error) { return open_ = Execute(db_, "BEGIN IMMEDIATE", error); }
    bool Commit(std::string* error) {
        if (!Execute(db_, "COMMIT", error)) return false;
        open_ = false;
        return true;
    }

private:
    sqlite3* db_;
    bool open_ = false;
};

// Two stations making a new file WAL at once both hold it shared and want it alone: SQLite
// answers one of them "busy" at once rather than have both wait for ever. That one tries
// again a moment later, when the other has switched.
bool SwitchToWal(sqlite3* db, std::string* error) {
    constexpr int kAttempts = 200;
    for (int attempt = 1;; ++attempt) {
        std::int64_t mode = 0;
        if (Number(db, "PRAGMA journal_mode=WAL", &mode, error)) return true;
        if ((sqlite3_errcode(db) & 0xFF) != SQLITE_BUSY || attempt == kAttempts) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

constexpr const char* kRunColumns =
    "run_id, stick, serial, port, drive, description, chip_id, chip_version, flash_id, capacity_bytes, "
    "firmware_before, firmware_after, geometry, bytes_written, bytes_read, verdict, reason, status_code, "
    "library_error, host, program_version, recorded_at, total_blocks, bad_block_count";

DriveRecord RunOf(const SqliteStatement& s) {
    DriveRecord d;
    d.runId = s.Text(0), d.stick = s.Text(1), d.serial = s.Text(2), d.port = s.Text(3), d.drive = s.Text(4);
    d.description = s.Text(5), d.chipId = int(s.Int(6)), d.chipVersion = int(s.Int(7)), d.flashId = s.Text(8);
    d.capacityBytes = std::uint64_t(s.Int(9)), d.firmwareBefore = s.Text(10), d.firmwareAfter = s.Text(11);
    d.geometry = s.Text(12), d.bytesWritten = std::uint64_t(s.Int(13)), d.bytesRead = std::uint64_t(s.Int(14));
    d.verdict = s.Text(15), d.reason = s.Text(16), d.statusCode = int(s.Int(17)), d.libraryError = s.Int(18);
    d.host = s.Text(19), d.programVersion = s.Text(20), d.recordedAt = s.Text(21);
    d.totalBlocks = std::uint64_t(s.Int(22));
    return d;
}

}  // namespace

bool SqliteRecordStore::Built() { return true; }

std::unique_ptr<SqliteRecordStore> SqliteRecordStore::Open(const std::string& path, std::string* error) {
    const std::filesystem::path file(path);
    std::error_code made;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), made);
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        *error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<SqliteRecordStore> store(new SqliteRecordStore(db));
    std::string why;
    if (!store->Prepare(&why)) return *error = path + ": " + why, nullptr;
    return store;
}

SqliteRecordStore::~SqliteRecordStore() { sqlite3_close(db_); }

// Which file this is decides what is done with it: an empty one is made a records database,
// one of ours is brought up to date, anything else is left as it is.
bool SqliteRecordStore::Prepare(std::string* error) {
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
    sqlite3_extended_result_codes(db_, 1);
    std::int64_t application = 0, tables = 0, version = 0;
    std::string why;
    // The three answers from one snapshot: another station may be making the file ours at
    // this moment, and its tables seen without its mark would look like another program's.
    if (!Execute(db_, "BEGIN", error)) return false;
    const bool read = Number(db_, "PRAGMA application_id", &application, &why) &&
                      Number(db_, "SELECT count(*) FROM sqlite_master", &tables, &why) &&
                      Number(db_, "PRAGMA user_version", &version, &why);
    const int code = sqlite3_errcode(db_) & 0xFF;
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (!read) {
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            return *error = "not a records database (the file is damaged or of another kind)", false;
        return *error = why, false;
    }
    if (application != kRecordsApplicationId && (application != 0 || tables != 0))
        return *error = "not a records database (it holds another program's tables)", false;
    if (version > LatestSchemaVersion())
        return *error = "made by a newer version of Mendora (records schema " + std::to_string(version) +
                        ", this one knows up to " + std::to_string(LatestSchemaVersion()) + ")",
               false;
    if (!SwitchToWal(db_, error)) return false;
    if (!Execute(db_, "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON", error)) return false;
    return Migrate(error);
}

// The steps from the file's version to the latest, in one transaction: a file is at one
// version or the next, never between. The version is read again under the write lock, as
// another station may have moved it on meanwhile.
bool SqliteRecordStore::Migrate(std::string* error) {
    std::int64_t version = 0;
    if (!Number(db_, "PRAGMA user_version", &version, error)) return false;
    if (version == LatestSchemaVersion()) return true;
    Transaction transaction(db_);
    if (!transaction.Begin(error) || !Number(db_, "PRAGMA user_version", &version, error)) return false;
    for (auto step = version; step < LatestSchemaVersion(); ++step) {
        if (!Execute(db_, SchemaSteps()[std::size_t(step)], error)) {
            *error = "schema step " + std::to_string(step + 1) + ": " + *error;
            return false;
        }
    }
    const std::string mark = "PRAGMA application_id=" + std::to_string(kRecordsApplicationId) +
                             "; PRAGMA user_version=" + std::to_string(LatestSchemaVersion());
    return Execute(db_, mark, error) && transaction.Commit(error);
}

bool SqliteRecordStore::Append(const DriveRecord& record, std::string* error) {
    return Insert(record, false, error);
}

bool SqliteRecordStore::AppendForServer(const DriveRecord& record, std::string* error) {
    return Insert(record, true, error);
}

bool SqliteRecordStore::Insert(const DriveRecord& d, bool forServer, std::string* error) {
    Transaction transaction(db_);
    if (!transaction.Begin(error)) return false;
    const std::string insert = std::string("INSERT INTO runs (") + kRunColumns +
                               ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, "
                               "?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24)";
    SqliteStatement run(db_, insert.c_str());
    run.Bind(1, d.runId).Bind(2, d.stick).Bind(3, d.serial).Bind(4, d.port).Bind(5, d.drive).Bind(6, d.description);
    run.Bind(7, std::int64_t{d.chipId}).Bind(8, std::int64_t{d.chipVersion}).Bind(9, d.flashId);
    run.Bind(10, std::int64_t(d.capacityBytes)).Bind(11, d.firmwareBefore).Bind(12, d.firmwareAfter);
    run.Bind(13, d.geometry).Bind(14, std::int64_t(d.bytesWritten)).Bind(15, std::int64_t(d.bytesRead));
    run.Bind(16, d.verdict).Bind(17, d.reason).Bind(18, std::int64_t{d.statusCode});
    run.Bind(19, std::int64_t{d.libraryError}).Bind(20, d.host).Bind(21, d.programVersion).Bind(22, d.recordedAt);
    run.Bind(23, std::int64_t(d.totalBlocks)).Bind(24, std::int64_t(d.badBlocks.size()));
    if (!run.Run()) return *error = run.Error(), false;
    SqliteStatement count(db_,
                          "INSERT INTO run_counts (day, verdict, reason, bad_block_count, runs) VALUES "
                          "(substr(?1, 1, 10), ?2, CASE WHEN ?2 IN ('repaired', 'repaired, retire') THEN '' ELSE ?3 END, "
                          "?4, 1) ON CONFLICT DO UPDATE SET runs = runs + 1");
    count.Bind(1, d.recordedAt).Bind(2, d.verdict).Bind(3, d.reason).Bind(4, std::int64_t(d.badBlocks.size()));
    if (!count.Run()) return *error = count.Error(), false;
    SqliteStatement block(db_, "INSERT INTO bad_blocks (run_id, chip, block, why) VALUES (?1, ?2, ?3, ?4)");
    for (const auto& b : d.badBlocks) {
        block.Bind(1, d.runId).Bind(2, std::int64_t{b.chip}).Bind(3, std::int64_t{b.block}).Bind(4, b.why);
        if (!block.Run()) return *error = block.Error(), false;
        block.Reset();
    }
    SqliteStatement phase(db_, "INSERT INTO phase_seconds (run_id, phase, seconds) VALUES (?1, ?2, ?3)");
    for (const auto& [name, seconds] : d.phaseSeconds) {
        phase.Bind(1, d.runId).Bind(2, name).Bind(3, seconds);
        if (!phase.Run()) return *error = phase.Error(), false;
        phase.Reset();
    }
    if (forServer) {
        SqliteStatement queue(db_, "INSERT INTO outbox (run_id) VALUES (?1)");
        queue.Bind(1, d.runId);
        if (!queue.Run()) return *error = queue.Error(), false;
    }
    return transaction.Commit(error);
}

bool SqliteRecordStore::Pending(std::size_t limit, std::vector<DriveRecord>* records, std::string* error) {
    records->clear();
    const std::string select = std::string("SELECT ") + kRunColumns +
                               " FROM outbox JOIN runs USING (run_id) ORDER BY outbox.seq LIMIT ?1";
    SqliteStatement runs(db_, select.c_str());
    runs.Bind(1, std::int64_t(limit));
    return ReadWhole(runs, records, error);
}

bool SqliteRecordStore::PendingCount(std::uint64_t* count, std::string* error) {
    std::int64_t value = 0;
    if (!Number(db_, "SELECT count(*) FROM outbox", &value, error)) return false;
    *count = std::uint64_t(value);
    return true;
}

bool SqliteRecordStore::MarkSent(const std::string& runId, std::string* error) {
    SqliteStatement sent(db_, "DELETE FROM outbox WHERE run_id = ?1");
    sent.Bind(1, runId);
    return sent.Run() || (*error = sent.Error(), false);
}

bool SqliteRecordStore::History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) {
    records->clear();
    const std::string select = std::string("SELECT ") + kRunColumns +
                               " FROM runs WHERE stick = ?1 ORDER BY recorded_at, rowid";
    SqliteStatement runs(db_, select.c_str());
    runs.Bind(1, stick);
    return ReadWhole(runs, records, error);
}

// The runs `runs` selects with their blocks and times, in one read transaction: a record
// another station adds meanwhile is seen whole or not at all.
bool SqliteRecordStore::ReadWhole(SqliteStatement& runs, std::vector<DriveRecord>* records, std::string* error) {
    if (!Execute(db_, "BEGIN", error)) return false;
    int step;
    while ((step = runs.Step()) == SQLITE_ROW) records->push_back(RunOf(runs));
    bool ok = step == SQLITE_DONE;
    if (!ok) *error = runs.Error();
    for (auto& record : *records)
        if (ok) ok = ReadBlocksAndTimes(&record, error);
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (!ok) records->clear();
    return ok;
}

bool SqliteRecordStore::ReadBlocksAndTimes(DriveRecord* record, std::string* error) {
    SqliteStatement blocks(db_, "SELECT chip, block, why FROM bad_blocks WHERE run_id = ?1 ORDER BY chip, block");
    blocks.Bind(1, record->runId);
    int step;
    while ((step = blocks.Step()) == SQLITE_ROW)
        record->badBlocks.push_back({int(blocks.Int(0)), int(blocks.Int(1)), blocks.Text(2)});
    if (step != SQLITE_DONE) return *error = blocks.Error(), false;
    SqliteStatement times(db_, "SELECT phase, seconds FROM phase_seconds WHERE run_id = ?1");
    times.Bind(1, record->runId);
    while ((step = times.Step()) == SQLITE_ROW) record->phaseSeconds[times.Text(0)] = times.Real(1);
    if (step != SQLITE_DONE) return *error = times.Error(), false;
    return true;
}

bool SqliteRecordStore::Stats(const std::string& since, RecordStats* stats, std::string* error) {
    *stats = {};
    if (!Execute(db_, "BEGIN", error)) return false;
    struct EndRead {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{db_};
    // The counts by day hold everything the numbers need; "since" is a day.
    SqliteStatement reasons(db_,
                            "SELECT verdict, reason, sum(runs) FROM run_counts WHERE day >= ?1 "
                            "GROUP BY verdict, reason");
    reasons.Bind(1, since);
    int step;
    while ((step = reasons.Step()) == SQLITE_ROW)
        CountVerdict(reasons.Text(0), reasons.Text(1), std::uint64_t(reasons.Int(2)), stats);
    if (step != SQLITE_DONE) return *error = reasons.Error(), false;

    SqliteStatement counts(db_,
                           "SELECT bad_block_count, sum(runs) FROM run_counts WHERE day >= ?1 "
                           "GROUP BY bad_block_count ORDER BY bad_block_count");
    counts.Bind(1, since);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> perCount;
    while ((step = counts.Step()) == SQLITE_ROW)
        perCount.push_back({std::uint64_t(counts.Int(0)), std::uint64_t(counts.Int(1))});
    if (step != SQLITE_DONE) return *error = counts.Error(), false;
    DistributeBadBlocks(perCount, stats);
    return true;
}

}  // namespace mendora::records

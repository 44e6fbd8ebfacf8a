// The SQLite record store: its schema and migration, whole records, the files it refuses,
// several writers on one file, and the numbers over many runs.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "records/SqliteRecordStore.h"
#include "records/SqliteSchema.h"
#include "tests/TempDir.h"
#include "tests/records/StoredRun.h"

namespace mendora {
namespace {

using records::DriveRecord;
using records::SqliteRecordStore;
using testing::StoredRun;

std::int64_t Pragma(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    std::int64_t value = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return value;
}

void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(RecordStore, ANewFileIsMarkedOursAtTheLatestSchemaInWalMode) {
    testing::TempDir dir;
    std::string error;
    const std::string path = dir / "lab/records.db";  // its folder is made too
    ASSERT_TRUE(SqliteRecordStore::Open(path, &error)) << error;
    EXPECT_EQ(Pragma(path, "PRAGMA user_version"), records::LatestSchemaVersion());
    EXPECT_EQ(Pragma(path, "PRAGMA application_id"), records::kRecordsApplicationId);
    EXPECT_EQ(Pragma(path, "SELECT journal_mode = 'wal' FROM pragma_journal_mode"), 1);
    // Opening it again changes nothing.
    ASSERT_TRUE(SqliteRecordStore::Open(path, &error)) << error;
    EXPECT_EQ(Pragma(path, "PRAGMA user_version"), records::LatestSchemaVersion());
}

TEST(RecordStore, AFirstVersionDatabaseIsMigratedWithItsRunsIntact) {
    testing::TempDir dir;
    const std::string path = dir / "records.db";
    RunSql(path, Bytes(std::string(MENDORA_RECORDS_FIXTURES) + "/records-v1.sql"));
    ASSERT_EQ(Pragma(path, "PRAGMA user_version"), 1);
    std::string error;
    auto store = SqliteRecordStore::Open(path, &error);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(Pragma(path, "PRAGMA user_version"), records::LatestSchemaVersion());

    std::vector<DriveRecord> runs;
    ASSERT_TRUE(store->History("SN-OLD", &runs, &error)) << error;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].runId, "11111111-1111-4111-8111-111111111111");
    EXPECT_EQ(runs[0].totalBlocks, 1024u);  // filled in from the geometry
    EXPECT_EQ(runs[1].badBlocks.size(), 3u);
    EXPECT_EQ(runs[0].phaseSeconds.at("erase"), 1.5);
    // The counts kept on each run come from the old runs' blocks.
    records::RecordStats stats;
    ASSERT_TRUE(store->Stats("", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 3u);
    EXPECT_EQ(stats.badBlocksMax, 3u);
    EXPECT_EQ(stats.refused.at("unsupported controller"), 1u);
    // And a new run goes in beside them.
    EXPECT_TRUE(store->Append(StoredRun("44444444-4444-4444-8444-444444444444", "SN-OLD", "2026-06-01T00:00:00Z"), &error))
        << error;
    // The runs from before a lab's server was set are not queued for it; one kept for the
    // server now is.
    std::uint64_t pending = 9;
    ASSERT_TRUE(store->PendingCount(&pending, &error)) << error;
    EXPECT_EQ(pending, 0u);
    ASSERT_TRUE(store->AppendForServer(StoredRun("55555555-5555-4555-8555-555555555555", "SN-OLD", "2026-06-02T00:00:00Z"),
                                       &error))
        << error;
    EXPECT_EQ(Pragma(path, "SELECT count(*) FROM outbox"), 1);
}

TEST(RecordStore, ARecordComesBackWholeAndAStickHistoryOldestFirst) {
    testing::TempDir dir;
    std::string error;
    auto store = SqliteRecordStore::Open(dir / "records.db", &error);
    ASSERT_TRUE(store) << error;
    const DriveRecord later = StoredRun("b", "SN1", "2026-05-02T08:00:00Z", {{0, 7, "factory mark"}, {1, 900, "failed erase"}});
    ASSERT_TRUE(store->Append(later, &error)) << error;
    ASSERT_TRUE(store->Append(StoredRun("a", "SN1", "2026-05-01T08:00:00Z"), &error)) << error;
    ASSERT_TRUE(store->Append(StoredRun("c", "SN2", "2026-05-01T09:00:00Z"), &error)) << error;

    std::vector<DriveRecord> runs;
    ASSERT_TRUE(store->History("SN1", &runs, &error)) << error;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].runId, "a");
    const DriveRecord& back = runs[1];
    EXPECT_EQ(back.runId, later.runId);
    EXPECT_EQ(back.port, later.port);
    EXPECT_EQ(back.flashId, later.flashId);
    EXPECT_EQ(back.firmwareAfter, later.firmwareAfter);
    EXPECT_EQ(back.bytesWritten, later.bytesWritten);
    EXPECT_EQ(back.phaseSeconds, later.phaseSeconds);
    ASSERT_EQ(back.badBlocks.size(), 2u);
    EXPECT_EQ(back.badBlocks[1].block, 900);
    EXPECT_EQ(back.badBlocks[1].why, "failed erase");
    ASSERT_TRUE(store->History("SN-NONE", &runs, &error)) << error;
    EXPECT_TRUE(runs.empty());
}

TEST(RecordStore, ARecordThatCannotBeWrittenLeavesNothingBehind) {
    testing::TempDir dir;
    const std::string path = dir / "records.db";
    std::string error;
    auto store = SqliteRecordStore::Open(path, &error);
    ASSERT_TRUE(store) << error;
    ASSERT_TRUE(store->Append(StoredRun("same", "SN1", "2026-05-01T08:00:00Z", {{0, 1, "factory mark"}}), &error));
    // The run id is the key: the second record fails, and none of its blocks stays.
    EXPECT_FALSE(store->Append(StoredRun("same", "SN1", "2026-05-02T08:00:00Z", {{0, 2, "failed pattern"}}), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Pragma(path, "SELECT count(*) FROM bad_blocks"), 1);
    EXPECT_EQ(Pragma(path, "SELECT count(*) FROM phase_seconds"), 2);
}

TEST(RecordStore, DamagedForeignAndNewerFilesAreRefusedAndLeftAsTheyAre) {
    testing::TempDir dir;
    std::string error;
    const std::string damaged = dir / "damaged.db";
    std::ofstream(damaged, std::ios::binary) << std::string(4096, '\x5a');
    EXPECT_FALSE(SqliteRecordStore::Open(damaged, &error));
    EXPECT_NE(error.find("not a records database (the file is damaged"), std::string::npos) << error;
    EXPECT_EQ(Bytes(damaged), std::string(4096, '\x5a'));

    const std::string foreign = dir / "foreign.db";
    RunSql(foreign, "CREATE TABLE songs (title TEXT); INSERT INTO songs VALUES ('a')");
    const std::string before = Bytes(foreign);
    EXPECT_FALSE(SqliteRecordStore::Open(foreign, &error));
    EXPECT_NE(error.find("another program's tables"), std::string::npos) << error;
    EXPECT_EQ(Bytes(foreign), before);

    const std::string newer = dir / "newer.db";
    ASSERT_TRUE(SqliteRecordStore::Open(newer, &error)) << error;
    RunSql(newer, "PRAGMA user_version = 99");
    EXPECT_FALSE(SqliteRecordStore::Open(newer, &error));
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;
    EXPECT_EQ(Pragma(newer, "PRAGMA user_version"), 99);
}

TEST(RecordStore, SeveralWritersOnOneFileLoseNoRecord) {
    testing::TempDir dir;
    const std::string path = dir / "records.db";
    constexpr int kWriters = 4, kEach = 40;
    std::vector<std::thread> writers;
    std::vector<std::string> errors(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            // Each its own connection, opened at the same moment: the first also creates the schema.
            auto store = SqliteRecordStore::Open(path, &errors[w]);
            if (!store) return;
            for (int i = 0; i < kEach && errors[w].empty(); ++i) {
                const std::string id = std::to_string(w) + "-" + std::to_string(i);
                store->Append(StoredRun(id, "SN" + std::to_string(w), "2026-05-01T08:00:00Z", {{0, i, "failed pattern"}}),
                              &errors[w]);
            }
        });
    }
    for (auto& writer : writers) writer.join();
    for (const auto& error : errors) EXPECT_EQ(error, "");
    EXPECT_EQ(Pragma(path, "SELECT count(*) FROM runs"), kWriters * kEach);
    EXPECT_EQ(Pragma(path, "SELECT count(*) FROM bad_blocks"), kWriters * kEach);
}

TEST(RecordStore, StatsCountVerdictsByReasonAndBadBlocksInBandsSinceADate) {
    testing::TempDir dir;
    std::string error;
    auto store = SqliteRecordStore::Open(dir / "records.db", &error);
    ASSERT_TRUE(store) << error;
    auto blocks = [](int n) {
        std::vector<records::BadBlock> list;
        for (int i = 0; i < n; ++i) list.push_back({0, i, "failed pattern"});
        return list;
    };
    const char* day = "2026-05-01T08:00:00Z";
    ASSERT_TRUE(store->Append(StoredRun("old", "SN0", "2026-01-01T08:00:00Z", blocks(300)), &error));
    ASSERT_TRUE(store->Append(StoredRun("1", "SN1", day, blocks(0)), &error));
    ASSERT_TRUE(store->Append(StoredRun("2", "SN2", day, blocks(3)), &error));
    ASSERT_TRUE(store->Append(StoredRun("3", "SN2", day, blocks(4), "repaired, retire"), &error));
    ASSERT_TRUE(store->Append(StoredRun("4", "SN3", day, blocks(12)), &error));
    DriveRecord refused = StoredRun("5", "SN4", day, {}, "refused");
    refused.reason = "dual channel";
    DriveRecord failed = StoredRun("6", "SN5", day, blocks(60), "failed");
    failed.reason = "revert: verify";
    ASSERT_TRUE(store->Append(refused, &error) && store->Append(failed, &error)) << error;

    records::RecordStats stats;
    ASSERT_TRUE(store->Stats("2026-02-01", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 6u);
    EXPECT_EQ(stats.repaired, 4u);
    EXPECT_EQ(stats.retire, 1u);
    EXPECT_EQ(stats.refused, (std::map<std::string, std::uint64_t>{{"dual channel", 1}}));
    EXPECT_EQ(stats.failed, (std::map<std::string, std::uint64_t>{{"failed: revert: verify", 1}}));
    // Counts 0, 0, 3, 4, 12, 60.
    std::map<std::string, std::uint64_t> bands(stats.badBlockBands.begin(), stats.badBlockBands.end());
    EXPECT_EQ(bands["0"], 2u);
    EXPECT_EQ(bands["1-4"], 2u);
    EXPECT_EQ(bands["10-19"], 1u);
    EXPECT_EQ(bands["50-99"], 1u);
    EXPECT_EQ(bands["200+"], 0u);  // the January run is before the date
    EXPECT_EQ(stats.badBlocksMedian, 3u);
    EXPECT_EQ(stats.badBlocksP90, 60u);
    EXPECT_EQ(stats.badBlocksMax, 60u);
    ASSERT_TRUE(store->Stats("", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 7u);
    EXPECT_EQ(stats.badBlocksMax, 300u);
}

}  // namespace
}  // namespace mendora

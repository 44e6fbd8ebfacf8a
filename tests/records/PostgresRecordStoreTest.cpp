// The store on a lab's PostgreSQL server, against a real server of the test's own: the
// schema made once by stations that open it at once and refused when newer, a record sent
// twice kept once and counted once, and records that come back whole.
#include <gtest/gtest.h>

#include <thread>

#include "records/PostgresRecordStore.h"
#include "records/PostgresSchema.h"
#include "tests/PostgresServer.h"
#include "tests/records/StoredRun.h"

namespace mendora {
namespace {

using records::PostgresRecordStore;
using testing::StoredRun;

class ServerRecordStore : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new testing::PostgresServer(); }
    static void TearDownTestSuite() { delete server_; }
    void SetUp() override {
        if (!server_->Ready()) GTEST_SKIP() << "no PostgreSQL server of the test's own: " << server_->Problem();
    }

    // A database of the test's own on the server.
    std::string Database(const std::string& name) {
        EXPECT_TRUE(server_->CreateDatabase(name));
        return name;
    }
    long long Number(const std::string& database, const std::string& sql) { return server_->Number(database, sql); }

    static testing::PostgresServer* server_;
};

testing::PostgresServer* ServerRecordStore::server_ = nullptr;

TEST_F(ServerRecordStore, StationsOpeningAtOnceMakeTheSchemaOnceAndANewerOneIsRefused) {
    const std::string db = Database("opened_at_once");
    std::vector<std::thread> stations;
    std::vector<std::string> errors(4);
    for (auto& error : errors)
        stations.emplace_back([&] {
            if (!PostgresRecordStore::Open(server_->Address(testing::PostgresServer::kPassword, db), &error) &&
                error.empty())
                error = "no store";
        });
    for (auto& station : stations) station.join();
    for (const auto& error : errors) EXPECT_EQ(error, "");
    EXPECT_EQ(Number(db, "SELECT version FROM mendora.schema_version"), records::LatestServerSchemaVersion());
    EXPECT_EQ(Number(db, "SELECT count(*) FROM mendora.schema_version"), 1);

    ASSERT_TRUE(server_->Admin(db, "UPDATE mendora.schema_version SET version = 99"));
    std::string error;
    EXPECT_FALSE(PostgresRecordStore::Open(server_->Address(testing::PostgresServer::kPassword, db), &error));
    EXPECT_NE(error.find("made by a newer version of Mendora (records schema 99"), std::string::npos) << error;
    EXPECT_EQ(error.find(testing::PostgresServer::kPassword), std::string::npos) << error;
}

TEST_F(ServerRecordStore, ARecordSentTwiceIsKeptAndCountedOnceAndComesBackWhole) {
    const std::string db = Database("sent_twice");
    std::string error;
    auto store = PostgresRecordStore::Open(server_->Address(testing::PostgresServer::kPassword, db), &error);
    ASSERT_TRUE(store) << error;
    std::vector<records::BadBlock> blocks;
    for (int i = 0; i < 1203; ++i) blocks.push_back({i % 2, i, i == 0 ? "factory mark" : "failed pattern"});
    auto record = StoredRun("11111111-1111-4111-8111-111111111111", "SN1", "2026-05-02T08:00:00Z", blocks);
    record.description = std::string("QF90 \xff\xfe odd bytes");  // not UTF-8, as a drive may answer
    ASSERT_TRUE(store->Append(record, &error)) << error;
    ASSERT_TRUE(store->Append(record, &error)) << error;  // sent again: its mark was lost
    ASSERT_TRUE(store->Append(StoredRun("22222222-2222-4222-8222-222222222222", "SN1", "2026-05-01T08:00:00Z"), &error))
        << error;
    EXPECT_EQ(Number(db, "SELECT count(*) FROM mendora.runs"), 2);
    EXPECT_EQ(Number(db, "SELECT count(*) FROM mendora.bad_blocks"), 1203);
    EXPECT_EQ(Number(db, "SELECT sum(runs) FROM mendora.run_counts"), 2);

    std::vector<records::DriveRecord> runs;
    ASSERT_TRUE(store->History("SN1", &runs, &error)) << error;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].runId, "22222222-2222-4222-8222-222222222222");  // oldest first
    const auto& back = runs[1];
    EXPECT_EQ(back.bytesWritten, record.bytesWritten);
    EXPECT_EQ(back.capacityBytes, record.capacityBytes);
    EXPECT_EQ(back.phaseSeconds, record.phaseSeconds);
    EXPECT_EQ(back.firmwareAfter, record.firmwareAfter);
    EXPECT_EQ(back.description, "QF90 \xEF\xBF\xBD\xEF\xBF\xBD odd bytes");
    ASSERT_EQ(back.badBlocks.size(), 1203u);
    EXPECT_EQ(back.badBlocks[0].why, "factory mark");

    records::RecordStats stats;
    ASSERT_TRUE(store->Stats("2026-05-02", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 1u);
    EXPECT_EQ(stats.badBlocksMax, 1203u);
    ASSERT_TRUE(store->Stats("", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 2u);
    EXPECT_EQ(stats.repaired, 2u);
}

}  // namespace
}  // namespace mendora

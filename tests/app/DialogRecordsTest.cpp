// The dialog keeps records only when the settings ask it to, and a records file that cannot
// be used is a warning, never a failure of the repair.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/DialogRecords.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "records/SqliteRecordStore.h"
#include "tests/Environment.h"
#include "tests/TempDir.h"

namespace mendora {
namespace {

class DialogRecordsTest : public ::testing::Test {
protected:
    DialogRecordsTest() {
        testing::SetEnv("MENDORA_CONFIG", settings);
        testing::SetEnv("MENDORA_RECORDS", database);
    }
    ~DialogRecordsTest() override {
        testing::UnsetEnv("MENDORA_CONFIG");
        testing::UnsetEnv("MENDORA_RECORDS");
    }
    void Settings(const std::string& records) { std::ofstream(settings) << "[records]\n" << records; }

    testing::TempDir dir;
    std::string settings = dir / "station.conf";
    std::string database = dir / "records.db";
    platform::FakeKernel fake;
    const nlohmann::json report = {{"port", "1-2"},         {"serial", "S-9"},      {"verdict", "repaired"},
                                   {"status_code", 2},      {"library_error", 0},   {"chip_id", 144},
                                   {"bad_blocks", {{{"chip", 0}, {"block", 7}, {"why", "factory mark"}}}}};
};

TEST_F(DialogRecordsTest, OnlyTheSettingsTurnTheDialogsRecordsOn) {
    Settings("");
    EXPECT_EQ(DialogRecordsFromSettings(fake.kernel), nullptr);
    Settings("dialog = yes\n");
    EXPECT_NE(DialogRecordsFromSettings(fake.kernel), nullptr);
    testing::SetEnv("MENDORA_RECORDS", "off");
    EXPECT_EQ(DialogRecordsFromSettings(fake.kernel), nullptr);
    testing::UnsetEnv("MENDORA_RECORDS");
    Settings("dialog = yes\nenabled = no\n");
    EXPECT_EQ(DialogRecordsFromSettings(fake.kernel), nullptr);
    EXPECT_FALSE(std::filesystem::exists(database));  // nothing is written before a run ends
}

TEST_F(DialogRecordsTest, ARunsReportBecomesTheSticksRecord) {
    Settings("dialog = yes\n");
    auto recorder = DialogRecordsFromSettings(fake.kernel);
    ASSERT_NE(recorder, nullptr);
    recorder->Keep(report);

    std::string error;
    auto store = records::SqliteRecordStore::Open(database, &error);
    ASSERT_TRUE(store) << error;
    std::vector<records::DriveRecord> history;
    ASSERT_TRUE(store->History("S-9", &history, &error)) << error;
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].port, "1-2");
    EXPECT_EQ(history[0].verdict, "repaired");
    ASSERT_EQ(history[0].badBlocks.size(), 1u);
    EXPECT_EQ(history[0].badBlocks[0].block, 7);
}

TEST_F(DialogRecordsTest, AForeignRecordsFileIsAWarningAndIsLeftAsItWas) {
    Settings("dialog = yes\n");
    std::ofstream(database) << "not a database, somebody's notes";
    auto recorder = DialogRecordsFromSettings(fake.kernel);
    ASSERT_NE(recorder, nullptr);
    recorder->Keep(report);
    bool warned = false;
    for (const auto& line : fake.debug.Lines()) warned |= line.rfind("records: ", 0) == 0;
    EXPECT_TRUE(warned);
    std::ifstream kept(database);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a database, somebody's notes");
}

}  // namespace
}  // namespace mendora

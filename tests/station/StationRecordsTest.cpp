// The station keeps a record of each drive: a stick repaired twice, made worse in between,
// ends "repaired, retire" and its history shows both runs; a records file that cannot be
// used leaves the repair as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

class StationRecords : public ::testing::Test {
protected:
    void SetUp() override { ::chmod(dir_.Path().c_str(), 0700); }

    // The same stick each time (the same image path), with `grown` blocks gone bad since.
    void MakeStick(std::uint32_t grown) {
        std::filesystem::remove(image_);
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = {1, 1, 512, 4, 4};
        setup.plantings.factoryBad = 2, setup.plantings.grownBad = grown, setup.plantings.seed = 11;
        std::string error;
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image_, setup, &error)) << error;
    }

    testing::StationOutput Station(std::vector<std::string> args) {
        return testing::RunStationProcess(dir_, std::move(args), [](pid_t, const std::string&) {},
                                          {"MENDORA_RECORDS=" + database_});
    }

    testing::StationOutput Repair() { return Station({"--yes", "--json", dir_ / "report.json", "--vdrive", image_}); }

    nlohmann::json Report() {
        std::ifstream in(dir_ / "report.json");
        return nlohmann::json::parse(in).at(0);
    }

    testing::TempDir dir_;
    std::string image_ = dir_ / "stick.img";
    std::string database_ = dir_ / "lab/records.db";
};

TEST_F(StationRecords, AStickMadeWorseBetweenTwoRepairsIsToBeRetiredAndItsHistoryShowsBoth) {
    MakeStick(0);
    auto first = Repair();
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(Report()["verdict"], "repaired");
    EXPECT_EQ(Report()["run_id"].get<std::string>().size(), 36u);
    EXPECT_EQ(first.out.find("retire"), std::string::npos) << first.out;

    MakeStick(3);
    auto second = Repair();
    // Retire is still a repair: the exit status says every drive was repaired.
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_NE(second.out.find("repaired, retire"), std::string::npos) << second.out;
    EXPECT_EQ(Report()["verdict"], "repaired, retire");
    EXPECT_NE(Report()["retire_reason"].get<std::string>().find("grown bad blocks rose from 0 to"), std::string::npos);

    auto history = Station({"history", image_});
    ASSERT_EQ(history.status, 0) << history.out;
    EXPECT_NE(history.out.find("2 run(s)"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("(+"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("repaired, retire: grown bad blocks rose"), std::string::npos) << history.out;
    auto historyJson = Station({"history", image_, "--json"});
    ASSERT_EQ(historyJson.status, 0) << historyJson.out;
    auto runs = nlohmann::json::parse(historyJson.out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0]["grown_bad_blocks"], 0);
    EXPECT_GE(runs[1]["grown_bad_blocks"].get<int>(), 3);
    EXPECT_EQ(runs[1]["phase_seconds"].count("erase"), 1u);

    auto stats = Station({"stats", "--json"});
    ASSERT_EQ(stats.status, 0) << stats.out;
    auto numbers = nlohmann::json::parse(stats.out);
    EXPECT_EQ(numbers["drives"], 2);
    EXPECT_EQ(numbers["retire"], 1);
    EXPECT_EQ(Station({"stats", "--since", "yesterday"}).status, 2);
    EXPECT_EQ(Station({"history", "NO-SUCH-SERIAL"}).status, 1);
}

TEST_F(StationRecords, ADamagedRecordsFileIsSaidAndTheRepairRunsAndReportsAsBefore) {
    MakeStick(0);
    std::filesystem::create_directories(dir_ / "lab");
    std::ofstream(database_, std::ios::binary) << std::string(8192, '\x33');
    auto run = Repair();
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("mendora-station: records: " + database_ +
                           ": not a records database (the file is damaged or of another kind); this run is not "
                           "recorded"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Report()["verdict"], "repaired");
    EXPECT_FALSE(Report().contains("run_id"));
    std::ifstream in(database_, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(8192, '\x33'));
}

}  // namespace
}  // namespace mendora

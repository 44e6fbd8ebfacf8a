// Stations of a lab sending their records to one PostgreSQL server of the test's own: four
// at once, each record there exactly once; the server stopped between runs and started
// again, the records kept meanwhile arriving once; a wrong password and a refused
// connection said clearly, the records kept on the station.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/PostgresServer.h"
#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::PostgresServer;

// One station's machine: its drives, its own records file and its report.
struct LabStation {
    LabStation() { ::chmod(dir.Path().c_str(), 0700); }

    // `count` small drives, the last one a controller no station supports.
    void MakeDrives(int count) {
        images.clear();
        for (int i = 0; i < count; ++i) {
            vdrive::DriveSetup setup = *vdrive::Preset(i + 1 == count ? "unsupported" : "qf90");
            setup.geometry = {1, 1, 64, 4, 4};
            setup.plantings.factoryBad = 1, setup.plantings.seed = std::uint32_t(3 + i);
            images.push_back(dir / ("drive" + std::to_string(i) + ".img"));
            std::filesystem::remove(images.back());
            std::string error;
            ASSERT_TRUE(vdrive::VirtualDrive::Create(images.back(), setup, &error)) << error;
        }
    }

    testing::StationOutput Run(std::vector<std::string> args) {
        return testing::RunStationProcess(dir, std::move(args), [](pid_t, const std::string&) {},
                                          {"MENDORA_RECORDS=" + (dir / "records.db")});
    }

    testing::StationOutput Repair(const std::string& server) {
        std::vector<std::string> args = {"--yes", "--json", dir / "report.json", "--records", server, "--vdrive"};
        args.insert(args.end(), images.begin(), images.end());
        return Run(args);
    }

    std::vector<std::string> RunIds() {
        std::ifstream in(dir / "report.json");
        std::vector<std::string> ids;
        for (const auto& report : nlohmann::json::parse(in)) ids.push_back(report.value("run_id", ""));
        return ids;
    }

    // A count from the station's own records file.
    long long Local(const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_open((dir / "records.db").c_str(), &db);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        const long long value = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        sqlite3_close(db);
        return value;
    }

    testing::TempDir dir;
    std::vector<std::string> images;
};

int Lines(const std::string& text, const std::string& part) {
    int lines = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++lines;
    return lines;
}

class StationLab : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new PostgresServer(); }
    static void TearDownTestSuite() { delete server_; }
    void SetUp() override {
        if (!server_->Ready()) GTEST_SKIP() << "no PostgreSQL server of the test's own: " << server_->Problem();
    }

    // The lab's database for one test, and its address.
    std::string Lab(const std::string& name) {
        EXPECT_TRUE(server_->CreateDatabase(name));
        database_ = name;
        return server_->Address(PostgresServer::kPassword, name);
    }
    long long OnServer(const std::string& sql) { return server_->Number(database_, sql); }

    static PostgresServer* server_;
    std::string database_;
};

PostgresServer* StationLab::server_ = nullptr;

TEST_F(StationLab, FourStationsOfEightDrivesWritingAtOnceLeaveEveryRecordOnTheServerOnce) {
    const std::string address = Lab("four_stations");
    std::vector<LabStation> stations(4);
    for (auto& station : stations) ASSERT_NO_FATAL_FAILURE(station.MakeDrives(8));
    std::vector<testing::StationOutput> runs(stations.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < stations.size(); ++i)
        threads.emplace_back([&, i] { runs[i] = stations[i].Repair(address); });
    for (auto& thread : threads) thread.join();

    std::set<std::string> ids;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        // The drive no station supports makes the status 1; nothing about the records is said.
        EXPECT_EQ(runs[i].status, 1) << runs[i].out;
        EXPECT_EQ(runs[i].out.find("records:"), std::string::npos) << runs[i].out;
        for (const auto& id : stations[i].RunIds()) ids.insert(id);
        EXPECT_EQ(stations[i].Local("SELECT count(*) FROM runs"), 8);
        EXPECT_EQ(stations[i].Local("SELECT count(*) FROM outbox"), 0);
    }
    EXPECT_EQ(ids.size(), 32u);
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs"), 32);
    EXPECT_EQ(OnServer("SELECT count(DISTINCT run_id) FROM mendora.runs"), 32);
    EXPECT_EQ(OnServer("SELECT sum(runs) FROM mendora.run_counts"), 32);
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs WHERE verdict = 'refused'"), 4);

    // The numbers any station asks for are the lab's.
    auto stats = stations[0].Run({"stats", "--json", "--records", address});
    ASSERT_EQ(stats.status, 0) << stats.out;
    EXPECT_EQ(nlohmann::json::parse(stats.out)["drives"], 32);
}

TEST_F(StationLab, RecordsKeptWhileTheServerWasStoppedArriveOnceWhenItIsBack) {
    const std::string address = Lab("restarted");
    LabStation station;
    ASSERT_NO_FATAL_FAILURE(station.MakeDrives(2));
    ASSERT_EQ(station.Repair(address).status, 1);
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs"), 2);

    ASSERT_TRUE(server_->Stop());
    ASSERT_NO_FATAL_FAILURE(station.MakeDrives(3));
    auto kept = station.Repair(address);
    ASSERT_TRUE(server_->Start());
    EXPECT_EQ(kept.status, 1) << kept.out;  // as without records: one drive refused
    EXPECT_EQ(Lines(kept.out, "mendora-station: records: the server postgresql://lab@127.0.0.1:" +
                                  std::to_string(server_->Port()) + "/restarted cannot be used: "),
              1)
        << kept.out;
    EXPECT_NE(kept.out.find("; 3 record(s) kept here, sent on a later run or by 'mendora-station sync'"),
              std::string::npos)
        << kept.out;
    EXPECT_EQ(kept.out.find(PostgresServer::kPassword), std::string::npos) << kept.out;
    EXPECT_EQ(station.Local("SELECT count(*) FROM outbox"), 3);

    auto sync = station.Run({"sync", "--records", address});
    EXPECT_EQ(sync.status, 0) << sync.out;
    EXPECT_NE(sync.out.find("3 record(s) sent to postgresql://lab@127.0.0.1:"), std::string::npos) << sync.out;
    auto again = station.Run({"sync", "--records", address});
    EXPECT_NE(again.out.find("0 record(s) sent"), std::string::npos) << again.out;
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs"), 5);
    EXPECT_EQ(OnServer("SELECT sum(runs) FROM mendora.run_counts"), 5);
    EXPECT_EQ(station.Local("SELECT count(*) FROM outbox"), 0);

    // The next run sends its own records and, had any waited, those too.
    ASSERT_NO_FATAL_FAILURE(station.MakeDrives(2));
    ASSERT_EQ(station.Repair(address).status, 1);
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs"), 7);
    EXPECT_EQ(OnServer("SELECT count(DISTINCT run_id) FROM mendora.runs"), 7);
}

TEST_F(StationLab, AWrongPasswordOrARefusedConnectionIsSaidClearlyAndTheRecordsStayOnTheStation) {
    const std::string address = Lab("refusals");
    LabStation station;
    ASSERT_NO_FATAL_FAILURE(station.MakeDrives(2));
    const std::string wrong = server_->Address("not-the-password-5", "refusals");
    auto refused = station.Repair(wrong);
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_NE(refused.out.find("password authentication failed for user \"lab\""), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find("not-the-password-5"), std::string::npos) << refused.out;

    // A port nothing listens on.
    const std::string closed = "postgresql://lab:" + std::string(PostgresServer::kPassword) + "@127.0.0.1:1/refusals";
    auto unreachable = station.Repair(closed);
    EXPECT_EQ(unreachable.status, 1) << unreachable.out;
    EXPECT_NE(unreachable.out.find("Connection refused"), std::string::npos) << unreachable.out;
    EXPECT_EQ(unreachable.out.find(PostgresServer::kPassword), std::string::npos) << unreachable.out;
    EXPECT_NE(unreachable.out.find("4 record(s) kept here"), std::string::npos) << unreachable.out;

    EXPECT_EQ(station.Local("SELECT count(*) FROM runs"), 4);
    EXPECT_EQ(station.Local("SELECT count(*) FROM outbox"), 4);
    EXPECT_EQ(station.Run({"sync", "--records", wrong}).status, 1);
    // History and numbers are answered from the station's own records meanwhile, and say so.
    auto stats = station.Run({"stats", "--json", "--records", closed});
    EXPECT_EQ(stats.status, 0) << stats.out;
    EXPECT_NE(stats.out.find("this station's own records are shown"), std::string::npos) << stats.out;
    EXPECT_EQ(station.Run({"sync", "--records", address}).status, 0);
    EXPECT_EQ(OnServer("SELECT count(*) FROM mendora.runs"), 4);
}

}  // namespace
}  // namespace mendora

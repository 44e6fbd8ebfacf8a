// What a record is made of and what is decided from the records: the record of a worker's
// report, grown bad blocks and the retire verdict, the settings file, UUIDs and times, and
// the tables printed.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "platform/kernel/HostFacts.h"
#include "platform/kernel/NativeKernel.h"
#include "records/RecordSettings.h"
#include "records/RecordTables.h"
#include "records/RetireRule.h"
#include "tests/TempDir.h"

namespace mendora {
namespace {

using records::DriveRecord;

const char* const kReport = R"({
  "drive": "E:", "serial": "", "port": "/tmp/x/d.img", "description": "MAKER UFD QF90 128MB",
  "chip_id": 144, "chip_version": 3, "flash_id": [44, 218, 144, 149, 6], "firmware_before": null,
  "firmware_after": "Q90120", "status_code": 0, "library_error": 0,
  "geometry": {"chips": 2, "blocks_per_chip": 512, "capacity_bytes": 134217728},
  "bad_blocks": [{"chip": 0, "block": 3, "why": "factory mark"}, {"chip": 1, "block": 40, "why": "failed pattern"}],
  "bad_block_count": 2, "phase_seconds": {"erase": 2.5, "verify": 4},
  "bytes_written": 1048576, "bytes_read": 2097152, "verdict": "repaired", "messages": []
})";

TEST(DriveRecordOf, AReportGivesEveryFieldAndAPortKeyedStickWithoutASerial) {
    const records::RecordFacts facts{"uuid-1", "bench1", "0.1", "2026-05-01T08:00:00Z"};
    DriveRecord r = records::RecordFromReport(nlohmann::json::parse(kReport), facts);
    EXPECT_EQ(r.runId, "uuid-1");
    EXPECT_EQ(r.host, "bench1");
    EXPECT_EQ(r.stick, "/tmp/x/d.img");
    EXPECT_EQ(r.flashId, "2c,da,90,95,06");
    EXPECT_EQ(r.chipVersion, 3);
    EXPECT_EQ(r.firmwareBefore, "");
    EXPECT_EQ(r.firmwareAfter, "Q90120");
    EXPECT_EQ(r.capacityBytes, 134217728u);
    EXPECT_EQ(r.totalBlocks, 1024u);
    ASSERT_EQ(r.badBlocks.size(), 2u);
    EXPECT_EQ(r.badBlocks[1].why, "failed pattern");
    EXPECT_EQ(r.phaseSeconds.at("verify"), 4.0);
    EXPECT_EQ(r.bytesRead, 2097152u);
    EXPECT_EQ(r.verdict, "repaired");
    EXPECT_EQ(r.statusCode, 0);

    // A worker lost before it said anything: what there is, and no crash on odd types.
    auto lost = nlohmann::json::parse(R"({"serial": "SN9", "port": 5, "bad_blocks": "x", "flash_id": [1, "a"]})");
    DriveRecord l = records::RecordFromReport(lost, facts);
    EXPECT_EQ(l.stick, "SN9");
    EXPECT_EQ(l.verdict, "failed");
    EXPECT_EQ(l.statusCode, -1);
    EXPECT_EQ(l.flashId, "01,00");
    EXPECT_TRUE(l.badBlocks.empty());
}

DriveRecord Repair(std::vector<records::BadBlock> blocks, const std::string& at, const std::string& verdict = "repaired") {
    DriveRecord r;
    r.stick = "SN1", r.totalBlocks = 1000, r.verdict = verdict, r.recordedAt = at, r.badBlocks = std::move(blocks);
    return r;
}

TEST(RetireRule, AStickIsRetiredWhenItsGrownBlocksRoseOrPassTheShare) {
    const records::RetireRule rule{2.0};
    // First seen: a factory mark and one block that failed; both later read as marks.
    const DriveRecord first = Repair({{0, 1, "factory mark"}, {0, 5, "failed pattern"}}, "2026-01-01T00:00:00Z");
    const DriveRecord same = Repair({{0, 1, "factory mark"}, {0, 5, "factory mark"}}, "2026-02-01T00:00:00Z");
    EXPECT_EQ(records::GrownBadBlocks(first, first), 1);
    EXPECT_EQ(records::GrownBadBlocks(same, first), 1);
    EXPECT_FALSE(records::RetireReason(first, {}, rule));
    EXPECT_FALSE(records::RetireReason(same, {first}, rule));

    const DriveRecord worse = Repair({{0, 1, "factory mark"}, {0, 5, "factory mark"}, {0, 9, "failed erase"}}, "2026-03-01T00:00:00Z");
    auto why = records::RetireReason(worse, {first, same}, rule);
    ASSERT_TRUE(why);
    EXPECT_EQ(*why, "grown bad blocks rose from 1 to 2 since the repair of 2026-02-01T00:00:00Z");
    // Compared with the last repair, not with a failed run in between.
    const DriveRecord failed = Repair({}, "2026-02-15T00:00:00Z", "failed");
    EXPECT_TRUE(records::RetireReason(worse, {first, same, failed}, rule));
    // A drive that was not repaired is not judged.
    EXPECT_FALSE(records::RetireReason(Repair(worse.badBlocks, "2026-03-01T00:00:00Z", "failed"), {first}, rule));

    // 21 grown blocks of 1000 is over 2%; 20 is not; a share of 0 never retires.
    std::vector<records::BadBlock> many;
    for (int i = 0; i < 21; ++i) many.push_back({0, 100 + i, "failed pattern"});
    why = records::RetireReason(Repair(many, "x"), {}, rule);
    ASSERT_TRUE(why);
    EXPECT_EQ(*why, "21 grown bad blocks, 2.1% of the drive's blocks (over 2.0%)");
    many.pop_back();
    EXPECT_FALSE(records::RetireReason(Repair(many, "x"), {}, rule));
    many.push_back({0, 999, "failed pattern"});
    EXPECT_FALSE(records::RetireReason(Repair(many, "x"), {}, records::RetireRule{0}));
}

class FixedHost : public platform::HostFacts {
public:
    std::string HostName() override { return "bench1"; }
    std::string SettingsDirectory() override { return "/etc/mendora"; }
    std::string DataDirectory() override { return "/var/lib/mendora"; }
    std::string NewUuid() override { return "u"; }
};

TEST(RecordSettings, DefaultsTheFileAndValuesItGetsWrong) {
    testing::TempDir dir;
    FixedHost host;
    platform::NativeProfileReader profiles;
    std::string problem;
    EXPECT_EQ(records::StationSettingsPath(host), "/etc/mendora/station.conf");
    auto s = records::ReadRecordSettings(profiles, host, dir / "missing.conf", &problem);
    EXPECT_TRUE(s.enabled);
    EXPECT_FALSE(s.dialog);
    EXPECT_EQ(s.database, "/var/lib/mendora/records.db");
    EXPECT_EQ(s.retire.grownSharePercent, 2.0);
    EXPECT_EQ(problem, "");

    std::ofstream(dir / "station.conf") << "[Records]\nEnabled = No\ndialog=yes\ndatabase=/srv/lab.db\n"
                                           "retire_grown_percent=0.5\nserver = postgresql://lab:pw@db1/lab\n";
    s = records::ReadRecordSettings(profiles, host, dir / "station.conf", &problem);
    EXPECT_FALSE(s.enabled);
    EXPECT_TRUE(s.dialog);
    EXPECT_EQ(s.database, "/srv/lab.db");
    EXPECT_EQ(s.retire.grownSharePercent, 0.5);
    EXPECT_EQ(s.server, "postgresql://lab:pw@db1/lab");
    EXPECT_EQ(problem, "");

    // A server that is not an address is not used, and what was written is not echoed: it
    // may hold a password.
    std::ofstream(dir / "server.conf") << "[records]\nserver = lab:s3cret@db1/lab\n";
    s = records::ReadRecordSettings(profiles, host, dir / "server.conf", &problem);
    EXPECT_EQ(s.server, "");
    EXPECT_NE(problem.find("[records] server is not a postgresql:// address"), std::string::npos) << problem;
    EXPECT_EQ(problem.find("s3cret"), std::string::npos) << problem;
    problem.clear();

    std::ofstream(dir / "bad.conf") << "[records]\nenabled=perhaps\nretire_grown_percent=lots\n";
    s = records::ReadRecordSettings(profiles, host, dir / "bad.conf", &problem);
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.retire.grownSharePercent, 2.0);
    EXPECT_NE(problem.find("retire_grown_percent = lots"), std::string::npos) << problem;
}

TEST(RecordFacts, UuidsAreVersionFourAndFreshAndTimesAreUtcText) {
    const unsigned char zeros[16] = {};
    EXPECT_EQ(platform::UuidFromRandomBytes(zeros), "00000000-0000-4000-8000-000000000000");
    auto host = platform::NativeHostFacts();
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string id = host->NewUuid();
        ASSERT_EQ(id.size(), 36u);
        EXPECT_EQ(id[14], '4');
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_FALSE(host->HostName().empty());
    EXPECT_EQ(records::UtcTimeText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(records::UtcTimeText(951782400 + 86399), "2000-02-29T23:59:59Z");
}

TEST(RecordTables, HistoryShowsGrownBlocksRisingAndStatsEveryGroup) {
    const DriveRecord first = Repair({{0, 1, "factory mark"}}, "2026-01-01T00:00:00Z");
    DriveRecord second = Repair({{0, 1, "factory mark"}, {0, 7, "failed erase"}}, "2026-02-01T00:00:00Z",
                                "repaired, retire");
    second.reason = "grown bad blocks rose from 0 to 1";
    second.firmwareBefore = "Q90120", second.firmwareAfter = "Q90120";
    const auto lines = records::HistoryLines({first, second});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("WHEN", 0), 0u);
    EXPECT_NE(lines[1].find("  0  "), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("1 (+1)"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("repaired, retire: grown bad blocks rose"), std::string::npos) << lines[2];
    const auto json = records::HistoryJson({first, second});
    EXPECT_EQ(json[1]["grown_bad_blocks"], 1);
    EXPECT_EQ(json[1]["bad_blocks"][1]["why"], "failed erase");

    records::RecordStats stats;
    stats.records = 4, stats.repaired = 3, stats.refused = {{"dual channel", 1}};
    stats.badBlockBands = {{"0", 1}, {"1-4", 3}};
    const auto text = records::StatsLines(stats);
    std::string all;
    for (const auto& line : text) all += line + "\n";
    EXPECT_TRUE(std::regex_search(all, std::regex("\nrepaired +3  75\\.0%\n"))) << all;
    EXPECT_NE(all.find("  dual channel  1  25.0%"), std::string::npos) << all;
    EXPECT_EQ(records::StatsJson(stats)["repaired_share"], 0.75);
}

}  // namespace
}  // namespace mendora

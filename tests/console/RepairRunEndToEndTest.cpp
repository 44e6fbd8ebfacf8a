// Whole repairs the way a user runs them: the built executable, in the terminal host and in
// the desktop host offscreen, on a virtual drive of each kind the console accepts, with
// planted faults and its format lost; a QF70 with firmware is re-plugged when asked. The
// settings ask the dialog to keep records, so each repair leaves one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

#include "records/SqliteRecordStore.h"
#include "tests/RelocatedCopy.h"
#include "tests/ProgramRuns.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::Contains;
using testing::ReadText;
using testing::StartMendora;
using testing::WaitForExit;
using testing::WaitForText;
using testing::WaitUntilNotRunning;

constexpr const char* kReplugText = "Please re-plug device to finish the job.";

// The debug line that follows "Enter ReadNewFWVersion": the update firmware's path.
std::string UpdateFirmwarePath(const std::string& debugLines) {
    std::istringstream lines(debugLines);
    for (std::string line; std::getline(lines, line);)
        if (line == "Enter ReadNewFWVersion" && std::getline(lines, line)) return line;
    return {};
}

vdrive::DriveSetup PlantedDrive(const std::string& kind) {
    vdrive::DriveSetup setup = *vdrive::Preset(kind == "qf90-a1" ? "qf90" : kind);
    if (kind == "qf90-a1") setup.identity.a1Version = 1;
    setup.plantings.factoryBad = 3;
    setup.plantings.weak = 2;
    return setup;
}

// Unplugs the drive and plugs it in again, as a person does when the popup asks.
void Replug(const std::string& image) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    ASSERT_TRUE(drive->SetPlugged(false, &error)) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(drive->SetPlugged(true, &error)) << error;
}

void ExpectRepaired(const std::string& kind, const std::string& image, const std::string& debug) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    auto blocks = drive->Blocks(&error);
    ASSERT_TRUE(blocks) << error;
    int planted = 0;
    for (const vdrive::BlockStatus& b : *blocks) {
        if (b.kind == vdrive::format::BlockKind::Good) continue;
        ++planted;
        EXPECT_TRUE(b.marked) << "chip " << b.chip << " block " << b.block;
    }
    EXPECT_EQ(planted, 5);
    auto info = drive->Info(&error);
    ASSERT_TRUE(info) << error;
    EXPECT_TRUE(info->plugged);
    EXPECT_TRUE(info->diskReady);
    EXPECT_GT(info->capacitySectors, 0u);
    // The update shown and written is the image made for the drive's controller, not older
    // than the firmware the drive shipped with.
    const bool qf90 = kind.rfind("qf90", 0) == 0;
    const std::string updatePath = UpdateFirmwarePath(debug);
    EXPECT_TRUE(updatePath.ends_with(qf90 ? "/Boot/90/fw90.bin" : "/Boot/70/fw70.bin")) << updatePath;
    if (qf90) EXPECT_NE(debug.find("fwv=110, newfwv=120"), std::string::npos) << debug;
    const std::string update = ReadText(updatePath);
    ASSERT_GE(update.size(), 0xEFF8u);
    EXPECT_EQ(info->identity.firmwareVersion.value_or(""), update.substr(0xEFF2, 6));
    EXPECT_EQ(info->identity.firmwareVersion.value_or(""), qf90 ? "Q90120" : "Q70105");
}

// The one record the repair left: the drive by its port, repaired, with every planted block.
void ExpectRecorded(const std::string& database, const std::string& image, const std::string& kind) {
    std::string error;
    auto store = records::SqliteRecordStore::Open(database, &error);
    ASSERT_TRUE(store) << error;
    std::vector<records::DriveRecord> history;
    ASSERT_TRUE(store->History(std::filesystem::canonical(image).string(), &history, &error)) << error;
    ASSERT_EQ(history.size(), 1u);
    const records::DriveRecord& r = history.front();
    EXPECT_EQ(r.verdict, "repaired");
    EXPECT_EQ(r.statusCode, revert_status::kFinish);
    EXPECT_EQ(r.libraryError, 0);
    EXPECT_EQ(r.badBlocks.size(), 5u);
    EXPECT_EQ(r.firmwareBefore, kind == "qf70-nofw" ? "" : kind == "qf70" ? "Q70105" : "Q90110");
    EXPECT_EQ(r.firmwareAfter, kind.rfind("qf90", 0) == 0 ? "Q90120" : "Q70105");
    EXPECT_EQ(r.runId.size(), 36u);
    EXPECT_TRUE(r.phaseSeconds.count("revert") && r.phaseSeconds.count("library"));
}

class RepairEndToEnd : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(RepairEndToEnd, RepairsAVirtualDriveWithPlantedFaults) {
    const auto& [host, kind] = GetParam();
    testing::TempDir root;
    ::chmod(root.Path().c_str(), 0700);
    const std::string image = root / "drive.img";
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, PlantedDrive(kind), &error)) << error;

    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root.Path(), "MENDORA_UI=" + host, "MENDORA_ASSUME_YES=1",
                                    "MENDORA_VDRIVE=" + image, "MENDORA_DEBUG=" + (root / "debug.log"),
                                    "QT_QPA_PLATFORM=offscreen", "PATH=/usr/bin:/bin", "LANG=C",
                                    "MENDORA_CONFIG=" + (root / "station.conf"),
                                    "MENDORA_RECORDS=" + (root / "records.db")};
    std::ofstream(root / "station.conf") << "[records]\ndialog = yes\n";
    if (::geteuid() != 0) env.push_back("MENDORA_OS_BUILD=6000");
    // The launcher waits for its copy, which may wait for the drive to be re-plugged.
    const auto launcher = StartMendora(env, root / "out.txt");
    ASSERT_TRUE(launcher);
    const bool replug = kind == "qf70";
    if (replug) {
        // The terminal shows the popup's text; the desktop host's popup follows the end of
        // the revert by a second.
        if (host == "tty") {
            ASSERT_TRUE(WaitForText(root / "out.txt", std::string("** ") + kReplugText + " **"))
                << ReadText(root / "out.txt");
        } else {
            ASSERT_TRUE(WaitForText(root / "debug.log", "REVERT FINISHED")) << ReadText(root / "out.txt");
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        }
        Replug(image);
    }
    ASSERT_TRUE(WaitUntilNotRunning(root / "UfdApp/Mendrix.exe"));
    EXPECT_EQ(WaitForExit(launcher), 0);

    const std::string out = ReadText(root / "out.txt");
    EXPECT_TRUE(Contains(out, "[Mendora] All Data will be deleted. Continue ?")) << out;
    EXPECT_TRUE(Contains(out, "[Mendora] Repair complete, Please un-plug device")) << out;
    // In the sanitizer builds the executable reports here what it found.
    for (const char* report : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer",
                               "runtime error:"})
        EXPECT_FALSE(Contains(out, report)) << out;
    if (host == "tty") {
        EXPECT_EQ(Contains(out, kReplugText), replug) << out;
        const std::size_t removed = out.find("** Drive removed **"), arrived = out.find("** Drive arrived **");
        EXPECT_EQ(removed != std::string::npos && arrived != std::string::npos && removed < arrived, replug) << out;
    }
    const std::string debug = ReadText(root / "debug.log");
    for (const char* line : {"In GetInput, bflag=160", "Load 90FW OK", "Revert EraseAll OK", "Revert PatternRW OK",
                             "Revert  OK", "REVERT FINISHED", "ErrCode=0x0"})
        EXPECT_TRUE(Contains(debug, line)) << line << "\n" << debug;
    ExpectRepaired(kind, image, debug);
    ExpectRecorded(root / "records.db", image, kind);
}

INSTANTIATE_TEST_SUITE_P(EveryDriveKind, RepairEndToEnd,
                         ::testing::Combine(::testing::Values("tty", "qt"),
                                            ::testing::Values("qf90", "qf90-a1", "qf70", "qf70-nofw")),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace mendora

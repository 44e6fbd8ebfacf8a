// Whole repairs by the built Windows program under wine, the way a user runs it: the
// launcher copies itself into the temporary folder and starts the copy, which repairs a
// virtual drive with planted faults (the console window's terminal host answers for the
// user), for every drive kind; a QF70 with firmware is re-plugged when asked. The settings
// ask the dialog to keep records, so each repair leaves one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <future>

#include "platform/kernel/win32/Win32Kernel.h"
#include "records/SqliteRecordStore.h"
#include "tests/Environment.h"
#include "tests/TempDir.h"
#include "tests/windows/ProgramRun.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::Contains;
using testing::ReadText;
using testing::WaitForText;
using testing::WaitUntilEnded;

constexpr const char* kReplugText = "Please re-plug device to finish the job.";

std::string Native(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class WindowsRepair : public ::testing::TestWithParam<std::string> {};

TEST_P(WindowsRepair, TheProgramRepairsAVirtualDriveWithPlantedFaults) {
    const std::string kind = GetParam();
    testing::TempDir root;
    const std::string image = root / "drive.img";
    vdrive::DriveSetup setup = *vdrive::Preset(kind);
    setup.plantings.factoryBad = 3;
    setup.plantings.weak = 2;
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;

    std::string why;
    const std::string work = platform::Win32TempRoot().Directory(&why) + "UfdApp";
    ASSERT_TRUE(WaitUntilEnded(work + "/Mendrix.exe")) << "another run still holds " << work;
    for (auto [name, value] : {std::pair<const char*, std::string>{"MENDORA_UI", "tty"},
                               {"MENDORA_ASSUME_YES", "1"},
                               {"MENDORA_VDRIVE", image},
                               {"MENDORA_DEBUG", root / "debug.log"},
                               {"MENDORA_CONFIG", root / "station.conf"},
                               {"MENDORA_RECORDS", root / "records.db"},
                               {"LANG", "C"}})
        testing::SetEnv(name, value);
    std::ofstream(root / "station.conf") << "[records]\ndialog = yes\n";
    const std::string out = root / "out.txt";
    const std::string command = "\"\"" + Native(std::string(MENDORA_BIN_DIR) + "/mendora-testbuild.exe") +
                                "\" <NUL >\"" + Native(out) + "\" 2>&1\"";
    // The program waits for its copy, which may wait for the drive to be re-plugged.
    auto run = std::async(std::launch::async, [&command] { return std::system(command.c_str()); });

    const bool replug = kind == "qf70";
    if (replug) {
        ASSERT_TRUE(WaitForText(out, std::string("** ") + kReplugText + " **")) << ReadText(out);
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        ASSERT_TRUE(drive) << error;
        ASSERT_TRUE(drive->SetPlugged(false, &error)) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_TRUE(drive->SetPlugged(true, &error)) << error;
    }
    ASSERT_TRUE(WaitForText(out, "[Mendora] Repair complete, Please un-plug device")) << ReadText(out);
    EXPECT_EQ(run.get(), 0) << ReadText(out);
    for (const char* name :
         {"MENDORA_UI", "MENDORA_ASSUME_YES", "MENDORA_VDRIVE", "MENDORA_DEBUG", "MENDORA_CONFIG", "MENDORA_RECORDS"})
        testing::UnsetEnv(name);
    ASSERT_TRUE(WaitUntilEnded(work + "/Mendrix.exe"));

    const std::string text = ReadText(out);
    EXPECT_TRUE(Contains(text, "[Mendora] All Data will be deleted. Continue ?")) << text;
    EXPECT_EQ(Contains(text, kReplugText), replug) << text;
    const std::string debug = ReadText(root / "debug.log");
    for (const char* line : {"Revert EraseAll OK", "Revert PatternRW OK", "REVERT FINISHED", "ErrCode=0x0"})
        EXPECT_TRUE(Contains(debug, line)) << line << "\n" << debug;

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
    EXPECT_TRUE(info->diskReady);
    EXPECT_EQ(info->identity.firmwareVersion.value_or(""), kind == "qf90" ? "Q90120" : "Q70105");

    auto store = records::SqliteRecordStore::Open(root / "records.db", &error);
    ASSERT_TRUE(store) << error;
    records::RecordStats stats;
    ASSERT_TRUE(store->Stats("", &stats, &error)) << error;
    EXPECT_EQ(stats.records, 1u);
    EXPECT_EQ(stats.repaired, 1u);
    EXPECT_EQ(stats.badBlocksMax, 5u);
}

INSTANTIATE_TEST_SUITE_P(EveryDriveKind, WindowsRepair, ::testing::Values("qf90", "qf70", "qf70-nofw"));

// A drive pulled out during the revert: "Repair fail", and the program ends with 1, so that
// whoever started it can tell.
TEST(WindowsRepairFailure, EndsTheProgramWithOne) {
    testing::TempDir root;
    const std::string image = root / "drive.img";
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, *vdrive::Preset("qf90"), &error)) << error;
    {
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        ASSERT_TRUE(drive) << error;
        ASSERT_TRUE(drive->RemoveAfter(60, &error)) << error;
    }
    std::string why;
    const std::string work = platform::Win32TempRoot().Directory(&why) + "UfdApp";
    ASSERT_TRUE(WaitUntilEnded(work + "/Mendrix.exe")) << "another run still holds " << work;
    testing::ScopedVariable ui("MENDORA_UI", "tty");
    testing::ScopedVariable yes("MENDORA_ASSUME_YES", "1");
    testing::ScopedVariable drives("MENDORA_VDRIVE", image);
    testing::ScopedVariable language("LANG", "C");
    const std::string out = root / "out.txt";
    EXPECT_EQ(testing::RunProgram(std::string(MENDORA_BIN_DIR) + "/mendora-testbuild.exe", {}, {}, out), 1) << ReadText(out);
    EXPECT_TRUE(Contains(ReadText(out), "[Mendora] Repair fail")) << ReadText(out);
}

}  // namespace
}  // namespace mendora

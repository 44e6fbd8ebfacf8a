// Ctrl-C, a termination request and a closed terminal reaching the terminal host during a
// repair: the step under way on the drive is let finish and the program ends by itself,
// never reporting a repair it did not make and never leaving the drive half done.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "tests/ProgramRuns.h"
#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

struct StopCase {
    const char* name;
    int signal;
    const char* after;  // the debug line after which the signal is sent
};

// Test names and failures show the case by its name.
void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class TerminalStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(TerminalStop, LetsTheDriveStepFinishAndEndsWithoutClaimingARepair) {
    const StopCase stop = GetParam();
    TempDir root;
    ::chmod(root.Path().c_str(), 0700);
    const std::string image = root / "drive.img";
    const bool inLibraryPhase = std::string(stop.after) == "REVERT FINISHED";
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    // A small drive at USB 2.0 speed: a revert and a library phase of seconds each.
    setup.geometry = vdrive::Geometry{1, 1, 2048, 4, 4};
    setup.speed = vdrive::SpeedModel::Usb2;
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
    const std::string firmwareBefore = vdrive::VirtualDrive::Open(image, &error)->Info(&error)->identity.firmwareVersion.value_or("");

    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root.Path(), "MENDORA_UI=tty", "MENDORA_ASSUME_YES=1",
                                    "MENDORA_VDRIVE=" + image, "MENDORA_DEBUG=" + (root / "debug.log"),
                                    "PATH=/usr/bin:/bin", "LANG=C"};
    if (::geteuid() != 0) env.push_back("MENDORA_OS_BUILD=6000");
    const auto launcher = StartMendora(env, root / "out.txt");
    ASSERT_TRUE(launcher);
    const std::string copy = root / "UfdApp/Mendrix.exe";
    ASSERT_TRUE(WaitForText(root / "debug.log", stop.after)) << ReadText(root / "out.txt");
    const std::vector<int> pids = ProcessesRunning(copy);
    ASSERT_EQ(pids.size(), 1u);
    ASSERT_EQ(::kill(pids[0], stop.signal), 0);
    ASSERT_TRUE(WaitUntilNotRunning(copy, 60)) << ReadText(root / "out.txt");
    // Stopped, the repair never says it completed: the launcher ends with 1.
    EXPECT_EQ(WaitForExit(launcher), 1);

    const std::string out = ReadText(root / "out.txt");
    EXPECT_TRUE(Contains(out, "Finishing the step under way, please wait")) << out;
    for (const char* wrong : {"Repair complete", "Segmentation", "Aborted", "ERROR: AddressSanitizer",
                              "WARNING: ThreadSanitizer", "runtime error:"})
        EXPECT_FALSE(Contains(out, wrong)) << wrong << "\n" << out;
    // The library phase under way was let finish: the drive is ready with the new firmware.
    // Stopped in the revert, it is erased with the firmware it had and the library is never
    // reached.
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    auto info = drive->Info(&error);
    ASSERT_TRUE(info) << error;
    EXPECT_EQ(info->diskReady, inLibraryPhase) << out << ReadText(root / "debug.log");
    EXPECT_EQ(info->identity.firmwareVersion.value_or(""), inLibraryPhase ? "Q90120" : firmwareBefore);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalStop,
                         ::testing::Values(StopCase{"CtrlCInRevert", SIGINT, "Revert EraseAll OK"},
                                           StopCase{"HangUpInLibraryPhase", SIGHUP, "REVERT FINISHED"},
                                           StopCase{"TerminationInLibraryPhase", SIGTERM, "REVERT FINISHED"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mendora::testing

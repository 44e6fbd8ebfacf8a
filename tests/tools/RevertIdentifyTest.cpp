// mendora-revert identifies its drive through the device library, confined to the drive it
// was named: another drive is never touched, and a drive the library does not identify or
// the repair refuses is left as it was, asked nothing but what it is.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/Environment.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/tools/RevertToolRun.h"
#include "vdrive/IdentifyReply.h"
#include "vdrive/ImageFormat.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

// An image's bytes without its state block, which opening a drive may touch.
std::string StoredBytes(const std::string& image) {
    std::string bytes = ReadBytes(image);
    if (bytes.size() < vdrive::format::kTablesOffset) return bytes;
    return bytes.erase(vdrive::format::kStateOffset, vdrive::format::kTablesOffset - vdrive::format::kStateOffset);
}

class RevertIdentify : public ::testing::Test {
protected:
    // A small drive of a preset named `name` in the directory; `silent` fails the
    // identification command while INQUIRY still answers.
    std::string Make(const std::string& name, const std::string& preset = "qf90", bool silent = false) {
        vdrive::DriveSetup setup = *vdrive::Preset(preset);
        setup.geometry = vdrive::Geometry{1, 1, 32, 4, 4};
        std::string error;
        auto drive = vdrive::VirtualDrive::Create(dir / name, setup, &error);
        EXPECT_TRUE(drive) << error;
        vdrive::FaultPlan identifyFails;
        identifyFails.opcode = vdrive::kIdentifyCdb[0];
        if (drive && silent) {
            EXPECT_TRUE(drive->AddFault(identifyFails, &error)) << error;
        }
        return dir / name;
    }

    Ran Revert(const std::string& environment, const std::string& arguments) {
        return RunRevertTool(dir.Path(), dir.Path(), trace, environment, arguments);
    }

    // Every command the drives carried was INQUIRY or identification.
    void ExpectOnlyAsked() {
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);)
            EXPECT_TRUE(line.rfind("12 ", 0) == 0 || line.rfind("E7 ", 0) == 0) << line;
    }

    TempDir dir;
    const std::string trace = dir / "trace.txt";
};

TEST_F(RevertIdentify, RevertsTheNamedDriveAloneWhereTheLibraryCouldSeeAnother) {
    const std::string first = Make("d.img"), second = Make("e.img");
    const std::string firstMade = StoredBytes(first), secondMade = StoredBytes(second);
    Ran run = Revert("MENDORA_VDRIVE='" + first + ":" + second + "'", "--drive E:");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Result : Finish"), std::string::npos) << run.output;
    EXPECT_TRUE(StoredBytes(first) == firstMade);
    EXPECT_FALSE(StoredBytes(second) == secondMade);
}

TEST_F(RevertIdentify, ADriveTheLibraryDoesNotIdentifyOrTheRepairRefusesIsLeftAsItWas) {
    struct Case {
        std::string preset;
        bool silent;
        std::string why;
    };
    const Case cases[] = {
        {"qf90", true, "the device library does not identify D: as a drive it repairs"},
        {"unsupported", false, "D: is refused: The Recovery Utility do not support this device."},
        {"dual-channel", false, "D: is refused: Dual chanel mode can not be rescued."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        const std::string image = Make(c.preset + ".img", c.preset, c.silent);
        const std::string made = StoredBytes(image);
        Ran run = Revert("", "--vdrive '" + image + "'");
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(c.why), std::string::npos) << run.output;
        EXPECT_TRUE(StoredBytes(image) == made);
        ExpectOnlyAsked();
        std::remove(trace.c_str());
    }
}

}  // namespace
}  // namespace mendora::testing

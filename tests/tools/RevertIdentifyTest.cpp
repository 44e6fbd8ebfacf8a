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

struct ToolRun {
    int status;
    std::string output;
};

class RevertIdentify : public ::testing::Test {
protected:
    // A small QF90 (or another chip) named `name` in the directory.
    std::string Make(const std::string& name, std::uint16_t chipId = 0x0090, bool failIdentify = false) {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.identity.chipId = chipId;
        setup.geometry = vdrive::Geometry{1, 1, 32, 4, 4};
        std::string error;
        auto drive = vdrive::VirtualDrive::Create(dir / name, setup, &error);
        EXPECT_TRUE(drive) << error;
        if (drive && failIdentify) {
            vdrive::FaultPlan fail;
            fail.opcode = vdrive::kIdentifyCdb[0];
            EXPECT_TRUE(drive->AddFault(fail, &error)) << error;
        }
        return dir / name;
    }

    ToolRun Revert(const std::string& environment, const std::string& arguments) {
        const std::string command = "cd '" + dir.Path() + "' && XDG_CONFIG_HOME='" + dir.Path() +
                                    "' MENDORA_VDRIVE_TRACE='" + trace + "' " + environment + " '" + MENDORA_BIN_DIR +
                                    "/mendora-revert' " + arguments + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ToolRun run{-1, ""};
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
        run.status = ExitCodeOf(::pclose(pipe));
        return run;
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
    ToolRun run = Revert("MENDORA_VDRIVE='" + first + ":" + second + "'", "--drive E:");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Result : Finish"), std::string::npos) << run.output;
    EXPECT_TRUE(StoredBytes(first) == firstMade);
    EXPECT_FALSE(StoredBytes(second) == secondMade);
}

TEST_F(RevertIdentify, ADriveTheLibraryDoesNotIdentifyOrTheRepairRefusesIsLeftAsItWas) {
    struct Case {
        std::string name;
        std::uint16_t chipId;
        bool failIdentify;
        std::string why;
    };
    const Case cases[] = {
        {"silent.img", 0x0090, true, "the device library does not identify D: as a drive it repairs"},
        {"unsupported.img", 0x0080, false, "D:: The Recovery Utility do not support this device."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string image = Make(c.name, c.chipId, c.failIdentify);
        const std::string made = StoredBytes(image);
        ToolRun run = Revert("", "--vdrive '" + image + "'");
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(c.why), std::string::npos) << run.output;
        EXPECT_TRUE(StoredBytes(image) == made);
        ExpectOnlyAsked();
        std::remove(trace.c_str());
    }
}

}  // namespace
}  // namespace mendora::testing

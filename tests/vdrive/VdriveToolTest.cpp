#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/FileBytes.h"
#include "tests/Environment.h"
#include "tests/TempDir.h"

namespace {

const std::string kTool = std::string(MENDORA_BIN_DIR) + "/mendora-vdrive";

int Tool(const std::string& arguments, std::string* output = nullptr) {
    std::string command = kTool + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    int status = ::pclose(pipe);
    if (output) *output = text;
    return mendora::testing::ExitCodeOf(status);
}

TEST(VdriveTool, CreatesPresetsReportsJsonAndPlugState) {
    mendora::testing::TempDir dir;
    std::string out;
    ASSERT_EQ(Tool("create " + dir / "a.img" + " --preset qf70-nofw --bad 3 --seed 4", &out), 0) << out;
    ASSERT_EQ(Tool("info " + dir / "a.img" + " --json", &out), 0) << out;
    for (const char* key : {"\"chip_id\": 112", "\"firmware_version\": null", "\"flash_id\": [", "\"chip_enables\": 1",
                            "\"blocks_per_chip\": 4096", "\"sectors_per_block\": 256", "\"sectors_per_page\": 4",
                            "\"plugged\": true", "\"factory_bad\": 3", "\"grown_bad\": 0", "\"weak\": 0",
                            "\"marked\": 3", "\"marked_blocks\": [{\"chip\": 0, \"block\": "}) {
        EXPECT_NE(out.find(key), std::string::npos) << key << "\n" << out;
    }
    ASSERT_EQ(Tool("unplug " + dir / "a.img"), 0);
    Tool("info " + dir / "a.img" + " --json", &out);
    EXPECT_NE(out.find("\"plugged\": false"), std::string::npos);
    ASSERT_EQ(Tool("replug " + dir / "a.img"), 0);
    Tool("info " + dir / "a.img" + " --json", &out);
    EXPECT_NE(out.find("\"plugged\": true"), std::string::npos);
    EXPECT_EQ(Tool("map " + dir / "a.img" + " --png " + dir / "m.png"), 0);
    EXPECT_EQ(mendora::testing::ReadBytes(dir / "m.png").substr(1, 3), "PNG");

    EXPECT_NE(out.find("\"disk_ready\": false"), std::string::npos) << out;
    EXPECT_NE(out.find("\"capacity_sectors\": 0,"), std::string::npos) << out;
    ASSERT_EQ(Tool("create " + dir / "f.img" + " --preset qf70 --bad 3 --formatted", &out), 0) << out;
    Tool("info " + dir / "f.img" + " --json", &out);
    EXPECT_NE(out.find("\"disk_ready\": true"), std::string::npos) << out;
    EXPECT_NE(out.find("\"capacity_sectors\": 1047808,"), std::string::npos) << out;  // (4096 - 3) x 256
    Tool("info " + dir / "f.img", &out);
    EXPECT_NE(out.find("firmware Q70105"), std::string::npos) << out;
    EXPECT_NE(out.find("disk ready, 1047808 sectors"), std::string::npos) << out;

    EXPECT_EQ(Tool("create " + dir / "a.img"), 1);  // never overwritten
    EXPECT_EQ(Tool("create " + dir / "b.img --preset nonsense"), 2);
    EXPECT_EQ(Tool("create " + dir / "b.img --chip-enables 9"), 2);
    mendora::testing::WriteBytes(dir / "junk.img", "not an image");
    EXPECT_EQ(Tool("info " + dir / "junk.img", &out), 1);
    EXPECT_NE(out.find("not a virtual drive image"), std::string::npos);
    EXPECT_EQ(Tool("--help", &out), 0);
    EXPECT_NE(out.find("Usage: mendora-vdrive"), std::string::npos);
}

// create makes the folders a new image lies in; a folder that cannot be made (a file is in
// the way) is said, and nothing is written.
TEST(VdriveTool, CreateMakesTheMissingFoldersAboveTheImage) {
    mendora::testing::TempDir dir;
    std::string out;
    ASSERT_EQ(Tool("create " + dir / "new/deeper/d.img --preset qf70 --bad 3", &out), 0) << out;
    ASSERT_EQ(Tool("info " + dir / "new/deeper/d.img", &out), 0) << out;
    EXPECT_NE(out.find("factory bad 3"), std::string::npos) << out;

    mendora::testing::WriteBytes(dir / "file", "in the way");
    EXPECT_EQ(Tool("create " + dir / "file/sub/d.img", &out), 1);
    EXPECT_NE(out.find("mendora-vdrive: cannot make the folder " + dir / "file/sub" + " for the image: "),
              std::string::npos) << out;
    EXPECT_EQ(mendora::testing::ReadBytes(dir / "file"), "in the way");
}

// A read-only disk (a read-only bind mount as root, a file without write permission for
// anyone else): info and map look without write access; what changes the drive is refused.
TEST(VdriveTool, InfoAndMapReadAnImageOnAReadOnlyDisk) {
    mendora::testing::TempDir dir;
    ASSERT_EQ(Tool("create " + dir / "a.img" + " --preset qf70 --bad 2 --blocks-per-zone 64"), 0);
    std::string image = dir / "a.img";
    const std::string readOnly = dir / "ro";
    std::filesystem::create_directory(readOnly);
    bool mounted = false;
    if (::geteuid() == 0) {
        mounted = ::mount(dir.Path().c_str(), readOnly.c_str(), nullptr, MS_BIND, nullptr) == 0;
        if (mounted && ::mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            ::umount2(readOnly.c_str(), MNT_DETACH);
            mounted = false;
        }
        if (!mounted) GTEST_SKIP() << "no read-only bind mount can be made here";
        image = readOnly + "/a.img";
    } else {
        ::chmod(image.c_str(), 0444);
    }
    std::string out;
    EXPECT_EQ(Tool("info " + image, &out), 0) << out;
    EXPECT_NE(out.find("marked 2"), std::string::npos) << out;
    EXPECT_EQ(Tool("map " + image + " --png " + dir / "m.png", &out), 0) << out;
    EXPECT_EQ(Tool("unplug " + image, &out), 1);
    if (mounted) ::umount2(readOnly.c_str(), MNT_DETACH);
}

// Numbers reach fields of every width whole, in decimal or hex; anything out of a field's
// range, an option of another command or two faults at once is a usage error.
TEST(VdriveTool, OptionsKeepTheirRangesAndInfoJsonParses) {
    mendora::testing::TempDir dir;
    const std::string image = dir / "n.img";
    std::string out;
    ASSERT_EQ(Tool("create " + image + " --chip-version 5 --zone-bank=3 --chip-id 0x1234 --firmware 'Q\"1' "
                   "--zones 1 --blocks-per-zone 64 --bad 2",
                   &out),
              0)
        << out;
    ASSERT_EQ(Tool("info " + image + " --json", &out), 0) << out;
    nlohmann::json info = nlohmann::json::parse(out, nullptr, false);
    ASSERT_TRUE(info.is_object()) << out;
    EXPECT_EQ(info["chip_version"], 5);
    EXPECT_EQ(info["zone_bank"], 3);
    EXPECT_EQ(info["chip_id"], 0x1234);
    EXPECT_EQ(info["firmware_version"], "Q\"1");
    EXPECT_EQ(info["blocks_per_chip"], 64);
    EXPECT_EQ(info["marked_blocks"].size(), 2u);

    for (const char* bad : {"create b.img --chip-version 256", "create b.img --bad -1", "create b.img --zones x",
                            "create b.img --firmware A --no-firmware", "create b.img --json", "info", "bogus b.img",
                            "map IMG", "info IMG --png m.png", "fault IMG --clear --stall 3",
                            "fault IMG --fail 1 --stall 2", "fault IMG --remove-after 3 --silent-chip 1",
                            "fault IMG --slip-mark 1:2x", "fault IMG"}) {
        std::string arguments = bad;
        if (auto at = arguments.find("IMG"); at != std::string::npos) arguments.replace(at, 3, image);
        if (auto at = arguments.find("b.img"); at != std::string::npos) arguments.replace(at, 5, dir / "b.img");
        EXPECT_EQ(Tool(arguments, &out), 2) << bad << "\n" << out;
    }
    EXPECT_EQ(Tool("fault " + image + " --stall 0x28 --chip 1 --times 2", &out), 0) << out;
    EXPECT_EQ(Tool("fault " + image + " --clear", &out), 0) << out;
}

}  // namespace

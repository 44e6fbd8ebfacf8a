#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "devlib/UpdateFirmwareFiles.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "protocol/FirmwareImageFormat.h"
#include "vdrive/Presets.h"
#include "protocol/RevertImageFormat.h"

namespace mendora {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

// Runs the generator into `dir`; true when it succeeded.
bool Generate(const std::string& dir) {
    std::string command = std::string(MENDORA_BIN_DIR) + "/mendora-genfiles '" + dir + "'";
    return std::system(command.c_str()) == 0;
}

// Every file below `root` by its relative name, '/' separated, with its bytes.
std::map<std::string, std::string> ReadTree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).generic_string()] = ReadBytes(entry.path());
        }
    }
    return files;
}

const std::uint8_t* Bytes(const std::string& content) {
    return reinterpret_cast<const std::uint8_t*>(content.data());
}

std::string VersionAt0xEFF2(const std::string& image) {
    return std::string(firmware::VersionOf(Bytes(image)));
}

class GeneratedFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Generate(dir_.Path())); }
    TempDir dir_;
};

TEST_F(GeneratedFiles, BootTreeShape) {
    std::map<std::string, std::string> boot = ReadTree(dir_ / "Boot");
    ASSERT_EQ(boot.size(), 109u);
    std::map<std::size_t, int> sizes;
    for (const auto& [name, content] : boot) {
        EXPECT_GE(name.size(), 9u) << name;
        EXPECT_LE(name.size(), 18u) << name;
        EXPECT_LE(std::count(name.begin(), name.end(), '/'), 3) << name;
        ++sizes[content.size()];
        if (content.size() == firmware::kImageSize) {
            std::string version = VersionAt0xEFF2(content);
            EXPECT_TRUE(std::all_of(version.begin(), version.end(), ::isalnum)) << name;
        }
    }
    EXPECT_EQ(sizes.size(), 3u);
    EXPECT_GT(sizes[1052], 0);
    EXPECT_GT(sizes[65536], 0);
    EXPECT_GT(sizes[131072], 0);

    EXPECT_EQ(devlib::UpdateFirmwareFor(0x0070, 3)->version, "Q40110");
}

// The number a version compares by: its digits from the fourth character on.
int VersionNumber(std::string_view version) { return std::stoi(std::string(version.substr(3))); }

TEST_F(GeneratedFiles, OneUpdateImagePerControllerAndCodeNoOlderThanTheDrivesShip) {
    std::map<std::string, std::string> boot = ReadTree(dir_ / "Boot");
    std::set<std::string> entries;
    for (std::uint16_t chipId : {std::uint16_t{0x0070}, std::uint16_t{0x0090}}) {
        vdrive::DriveSetup shipped = *vdrive::Preset(chipId == 0x0070 ? "qf70" : "qf90");
        ASSERT_EQ(shipped.identity.chipId, chipId);
        for (std::uint8_t code = 0; code < devlib::kSelectionCodes; ++code) {
            const devlib::UpdateFirmwareFile* update = devlib::UpdateFirmwareFor(chipId, code);
            ASSERT_NE(update, nullptr);
            SCOPED_TRACE(std::string(update->entry));
            entries.insert(std::string(update->entry));
            auto found = boot.find(std::string(update->entry));
            ASSERT_NE(found, boot.end());
            ASSERT_EQ(found->second.size(), firmware::kImageSize);
            EXPECT_EQ(VersionAt0xEFF2(found->second), update->version);
            EXPECT_EQ(firmware::ControllerOf(Bytes(found->second)), chipId);
            EXPECT_EQ(found->second.substr(0x40, 4), chipId == 0x0070 ? "QF70" : "QF90");
            EXPECT_GE(VersionNumber(update->version), VersionNumber(*shipped.identity.firmwareVersion));
        }
    }
    EXPECT_EQ(entries.size(), 8u);  // no image shared between controllers or codes
    // Code 0 is the controller's own line.
    EXPECT_EQ(devlib::UpdateFirmwareFor(0x0090, 0)->version.substr(0, 3), "Q90");
    EXPECT_EQ(devlib::UpdateFirmwareFor(0x0070, 0)->version.substr(0, 3), "Q70");
    // The family images name no controller.
    EXPECT_FALSE(firmware::ControllerOf(Bytes(boot["70/A2C/fw.bin"])));
}

TEST_F(GeneratedFiles, ContentIsNeitherBlankNorNoise) {
    std::string image = ReadBytes(dir_ / "Boot/70/A2C/fw.bin");
    std::map<char, std::size_t> counts;
    for (char c : image) ++counts[c];
    std::size_t commonest = 0;
    for (const auto& [byte, count] : counts) commonest = std::max(commonest, count);
    EXPECT_GT(counts.size(), 200u);              // many distinct bytes
    EXPECT_GT(commonest, image.size() / 64);     // but a skewed distribution
    EXPECT_LT(commonest, image.size() / 2);
}

TEST_F(GeneratedFiles, RevertTreeShape) {
    std::map<std::string, std::string> revert = ReadTree(dir_ / "RevertBoot");
    ASSERT_EQ(revert.size(), 15u);
    const std::pair<const char*, std::uint16_t> kImages[] = {
        {"90/q90s.bin", revert::kModelQf90},
        {"90/q90sa1.bin", revert::kModelQf90},
        {"70/q70s.bin", revert::kModelQf70},
    };
    for (const auto& [name, model] : kImages) {
        const std::string& image = revert[name];
        ASSERT_GE(image.size(), revert::kMinFileSize) << name;
        std::uint16_t found = 0;
        EXPECT_TRUE(revert::IsValidRamImage(Bytes(image) + revert::kRamImageOffset, &found)) << name;
        EXPECT_EQ(found, model) << name;
    }
    EXPECT_GT(std::count_if(revert.begin(), revert.end(),
                            [](const auto& file) { return file.first.find('/', 3) != std::string::npos; }),
              0);

    const std::string& defaults = revert["default.ini"];
    ASSERT_EQ(defaults.size(), 278u);
    EXPECT_EQ(defaults.front(), '[');
    EXPECT_EQ(defaults.substr(defaults.size() - 2), "\r\n");
    for (std::size_t at = defaults.find('\n'); at != std::string::npos; at = defaults.find('\n', at + 1)) {
        EXPECT_EQ(defaults[at - 1], '\r') << "bare LF at " << at;
    }
}

TEST_F(GeneratedFiles, DeterministicAndReplacesStaleFiles) {
    TempDir second;
    fs::create_directories(second / "Boot/old");
    testing::WriteBytes(second / "Boot/old/stale.bin", "stale");
    testing::WriteBytes(second / "Device.ini", "edited");
    ASSERT_TRUE(Generate(second.Path()));
    EXPECT_FALSE(fs::exists(second / "Boot/old/stale.bin"));
    EXPECT_EQ(ReadTree(dir_.Path()), ReadTree(second.Path()));
}

TEST(Generator, RejectsWrongUsage) {
    std::string bare = std::string(MENDORA_BIN_DIR) + "/mendora-genfiles 2>/dev/null";
    EXPECT_NE(std::system(bare.c_str()), 0);
}

}  // namespace
}  // namespace mendora

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/kernel/NamedEvents.h"
#include "tests/Environment.h"
#include "platform/kernel/RegFile.h"
#include "platform/kernel/linux/InihProfileReader.h"
#include "platform/kernel/linux/LinuxFileSystem.h"
#include "platform/kernel/linux/LinuxRegistry.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

constexpr const char* kKey = "software\\kzrevert";

TEST(RegistryFile, ReadsDwordAndFourByteHexValuesCaseInsensitively) {
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KZRevert]\r\n"
        "\"TestStartBlock\"=dword:00000064\r\n\"testblockcount\"=hex:10,27,00,00\r\n";
    EXPECT_EQ(FindRegDword(text, kKey, "TestStartBlock"), 100u);
    EXPECT_EQ(FindRegDword(text, kKey, "TESTSTARTBLOCK"), 100u);
    EXPECT_EQ(FindRegDword(text, kKey, "TestBlockCount"), 10000u);
    EXPECT_EQ(FindRegDword(text, kKey, "SkipCannotmarkBad"), std::nullopt);
}

TEST(RegistryFile, OddValuesAndOtherKeysCountAsMissing) {
    const std::string text =
        "REGEDIT4\n[HKEY_CURRENT_USER\\software\\other]\n\"TestStartBlock\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\software\\kzrevert]\n"
        "\"A\"=\"text\"\n\"B\"=dword:123456789\n\"C\"=hex:01,02\n\"D\"=dword:zz\n\"E\"=hex:01,02,03,04,05\n"
        "\"F\"=dword:\n; \"G\"=dword:00000001\n";
    EXPECT_EQ(FindRegDword(text, kKey, "TestStartBlock"), std::nullopt);
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G"}) {
        EXPECT_EQ(FindRegDword(text, kKey, name), std::nullopt) << name;
    }
}

TEST(RegistryFile, TheUserFileLivesUnderTheConfigDirectory) {
    testing::TempDir dir;
    mendora::testing::SetEnv("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(LinuxRegistry::FilePath(), dir.Path() + "/mendora/user.reg");
    LinuxRegistry registry;
    EXPECT_EQ(registry.ReadDword(kKey, "TestStartBlock"), std::nullopt);  // no file
    LinuxFileSystem().CreateDirectory(dir / "mendora");
    WriteText(dir / "mendora/user.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\software\\kzrevert]\n\"TestStartBlock\"=dword:0000000a\n");
    EXPECT_EQ(registry.ReadDword(kKey, "TestStartBlock"), 10u);
    mendora::testing::UnsetEnv("XDG_CONFIG_HOME");
}

class Profile : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        std::string path = dir_ / "settings.ini";
        WriteText(path, text);
        return path;
    }
    testing::TempDir dir_;
    InihProfileReader reader_;
};

TEST_F(Profile, SectionNamesInFileOrderEachOnceWithinTheBuffer) {
    std::string path = Write("[B]\nx=1\n[a]\nz=0\n[b]\ny=2\n[Last]\nw=3\n[Empty]\n");
    EXPECT_EQ(reader_.SectionNames(path, 4096), (std::vector<std::string>{"B", "a", "Last"}));
    // "B\0a\0" plus the final zero fit into 5 bytes, "Last" does not.
    EXPECT_EQ(reader_.SectionNames(path, 5), (std::vector<std::string>{"B", "a"}));
    EXPECT_TRUE(reader_.SectionNames(dir_ / "absent.ini", 4096).empty());
}

TEST_F(Profile, FirstMatchWinsWithoutRegardToCase) {
    std::string path = Write("[Device]\nSelectDevice=QF40x\nselectdevice=QF70\n[DEVICE]\nSelectDevice=BCD\n");
    EXPECT_EQ(reader_.GetString(path, "device", "SELECTDEVICE", "", 64), "QF40x");
    EXPECT_EQ(reader_.GetString(path, "Device", "Other", "none", 64), "none");
    EXPECT_EQ(reader_.GetString(dir_ / "absent.ini", "Device", "SelectDevice", "", 64), "");
    EXPECT_EQ(reader_.GetString(path, "Device", "SelectDevice", "", 4), "QF4");  // cut to the buffer
}

TEST_F(Profile, IntegersReadTheLeadingDecimalNumber) {
    std::string path = Write("[f]\nA=218\nB=12abc\nC=abc\nD=-5\nE=99999999999\n");
    EXPECT_EQ(reader_.GetInt(path, "f", "A", 7), 218);
    EXPECT_EQ(reader_.GetInt(path, "f", "B", 7), 12);
    EXPECT_EQ(reader_.GetInt(path, "f", "C", 7), 0);
    EXPECT_EQ(reader_.GetInt(path, "f", "D", 7), -5);
    EXPECT_EQ(reader_.GetInt(path, "f", "E", 7), 2147483647);
    EXPECT_EQ(reader_.GetInt(path, "f", "Missing", 7), 7);
}

// A megabyte of noise with a few lines that look like settings scattered in it.
std::string Garbage(unsigned seed) {
    std::string text(1 << 20, '\0');
    std::uint32_t x = seed;
    for (char& c : text) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    for (std::size_t at = 1000; at + 64 < text.size(); at += 99991)
        text.replace(at, 40, "\n[Device]\nSelectDevice=QF90\n\"TestStartBlock\"=");
    return text;
}

TEST(HostileSettings, AMegabyteOfGarbageReadsAsMissingValuesAndDefaults) {
    testing::TempDir dir;
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string text = Garbage(seed);
        WriteText(dir / "Device.ini", text);
        InihProfileReader reader;
        EXPECT_EQ(reader.GetString(dir / "Device.ini", "Nothing", "SelectDevice", "QF70", 16), "QF70");
        const std::string device = reader.GetString(dir / "Device.ini", "Device", "SelectDevice", "QF70", 16);
        EXPECT_TRUE(device == "QF90" || device == "QF70") << device;
        EXPECT_EQ(reader.GetInt(dir / "Device.ini", "Nothing", "Chip", 7), 7);
        std::size_t listed = 0;
        for (const std::string& name : reader.SectionNames(dir / "Device.ini", 64)) listed += name.size() + 1;
        EXPECT_LE(listed + 1, 64u);
        EXPECT_EQ(FindRegDword(text, kKey, "TestStartBlock"), std::nullopt);
        EXPECT_EQ(FindRegDword("REGEDIT4\n[HKEY_CURRENT_USER\\software\\kzrevert]\n" + text, kKey, "TestStartBlock"),
                  std::nullopt);
    }
}

TEST(Events, ManualResetReleasesEveryWaiterUntilReset) {
    NamedEvents events;
    auto event = events.Create("DeviceArrived", true, false);
    EXPECT_EQ(events.Create("DeviceArrived", false, true), event);  // the existing one
    EXPECT_FALSE(event->IsSet());
    std::atomic<int> released{0};
    std::thread a([&] { event->Wait(); ++released; });
    std::thread b([&] { event->Wait(); ++released; });
    event->Set();
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 2);
    EXPECT_TRUE(event->IsSet());
    event->Reset();
    EXPECT_FALSE(event->WaitFor(1));
}

TEST(Events, AutoResetReleasesOneWaiter) {
    NamedEvents events;
    auto event = events.Create("once", false, true);
    EXPECT_TRUE(event->WaitFor(0));
    EXPECT_FALSE(event->IsSet());
}

}  // namespace
}  // namespace mendora::platform

// The system's uses of a disk read from a fake /proc and /sys tree, their end through
// stand-in calls, and the texts a caller shows.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/scsi/LinuxDiskHolders.h"
#include "platform/scsi/MountTables.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A path as mountinfo writes it.
std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
}

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// A /proc and /sys of their own: sdb (8:16) with sdb1..sdb3, sdbb (8:48), sdc (8:32) with
// sdc1; mounts and swaps as each test writes them.
class FakeTree {
public:
    FakeTree() {
        Disk("sdb", "8:16", {{"sdb1", "8:17"}, {"sdb2", "8:18"}, {"sdb3", "8:19"}});
        Disk("sdbb", "8:48", {});
        Disk("sdc", "8:32", {{"sdc1", "8:33"}});
        Mounts({});
        Swaps({});
    }
    void Disk(const std::string& name, const std::string& dev, const std::map<std::string, std::string>& parts) {
        Write(Block(name) / "dev", dev + "\n");
        fs::create_directories(Block(name) / "holders");
        for (const auto& [part, partDev] : parts) {
            Write(Block(name) / part / "dev", partDev + "\n");
            Write(Block(name) / part / "partition", "1\n");
            fs::create_directories(Block(name) / part / "holders");
        }
    }
    void Holder(const fs::path& device, const std::string& holder) {
        fs::create_directories(Block("") / device / "holders" / holder);
    }
    // Lines of mountinfo without their ids: "<major:minor> <root> <mount point> ... - <type> <source>".
    void Mounts(const Texts& lines) {
        std::string text = "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n";
        int id = 30;
        for (const auto& line : lines) text += std::to_string(id++) + " 22 " + line + "\n";
        Write(dir_ / "proc/self/mountinfo", text);
    }
    void Swaps(const Texts& lines) {
        std::string text = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
        for (const auto& line : lines) text += line + "\n";
        Write(dir_ / "proc/swaps", text);
    }
    LinuxDiskHolders Holders(DiskReleaseCalls calls = {}) {
        return LinuxDiskHolders(dir_ / "proc", dir_ / "sys", calls);
    }
    fs::path Root() const { return dir_.Path(); }
    fs::path Block(const std::string& name) const { return Root() / "sys/class/block" / name; }

private:
    testing::TempDir dir_;
};

const Texts kStickMounts = {
    "0:45 / /data rw shared:42 - btrfs /dev/sdb2 rw",  // btrfs reports a number of its own
    "8:17 / /media/u/MY\\040STICK rw,nosuid shared:40 - vfat /dev/sdb1 rw",
    "8:17 / /mnt/bind rw shared:41 - vfat /dev/sdb1 rw",
    "8:33 / /mnt/other rw shared:43 - ext4 /dev/sdc1 rw",
    "8:48 / /mnt/sdbb rw shared:44 - ext4 /dev/sdbb rw",
};

TEST(DiskHolders, MountsAndSwapsOfTheDiskAndItsPartitionsAreFoundByNumberOrSource) {
    FakeTree tree;
    tree.Mounts(kStickMounts);
    tree.Swaps({"/dev/sdb3                               partition\t1048572\t0\t-2",
                "/media/u/MY\\040STICK/swapfile          file\t\t65532\t0\t-3",
                "/swapfile                               file\t\t65532\t0\t-4",
                "/dev/sdc1                               partition\t1048572\t0\t-5"});
    auto holders = tree.Holders();
    std::string why;
    auto use = holders.FindUse("sdb", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_EQ(use->mountPoints, (Texts{"/data", "/media/u/MY STICK", "/mnt/bind"}));
    EXPECT_EQ(use->swapAreas, (Texts{"/dev/sdb3", "/media/u/MY STICK/swapfile"}));
    EXPECT_TRUE(use->holders.empty());
    EXPECT_TRUE(use->InUse());

    use = holders.FindUse("sdc", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_EQ(DiskInUseText("sdc", *use), "sdc is in use by the system: mounted at /mnt/other; swap on /dev/sdc1 "
                                          "(use --unmount to unmount it first)");

    tree.Mounts({});
    tree.Swaps({});
    use = holders.FindUse("sdb", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_FALSE(use->InUse());
}

TEST(DiskHolders, UnknownDisksNamesThatLeaveTheTreeAndAMissingTableAreRefused) {
    FakeTree tree;
    auto holders = tree.Holders();
    std::string why;
    EXPECT_FALSE(holders.FindUse("sdz", &why));
    EXPECT_EQ(why, "sdz: no such disk");
    for (const std::string name : {"", ".", "..", "../block/sdb", "sdb/sdb1"}) {
        EXPECT_FALSE(holders.FindUse(name, &why)) << name;
        EXPECT_NE(why.find("is not a block device name"), std::string::npos) << why;
    }
    fs::remove(tree.Root() / "proc/self/mountinfo");
    EXPECT_FALSE(holders.FindUse("sdb", &why));
    EXPECT_NE(why.find("mountinfo: cannot be read"), std::string::npos) << why;
    auto release = holders.Release("sdb");
    EXPECT_EQ(release->failures.size(), 1u);
}

TEST(DiskHolders, StackedDevicesAreReportedAndNeverCountAsReleased) {
    FakeTree tree;
    tree.Holder("sdb/sdb1", "dm-0");
    tree.Holder("sdb", "md127");
    auto holders = tree.Holders({[](const std::string&) { return 0; }, [](const std::string&) { return 0; }});
    std::string why;
    auto use = holders.FindUse("sdb", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_EQ(use->holders, (Texts{"md127", "dm-0"}));
    EXPECT_EQ(DiskInUseText("sdb", *use),
              "sdb is in use by the system: held by md127, dm-0 (stop what is stacked on it first)");
    EXPECT_EQ(holders.Release("sdb")->failures, (Texts{"held by md127", "held by dm-0"}));
}

TEST(DiskHolders, ReleaseSwapsOffFirstUnmountsLatestFirstAndReportsFailuresAndMountsThatCameBack) {
    FakeTree tree;
    Texts mounted = kStickMounts;
    tree.Mounts(mounted);
    tree.Swaps({"/dev/sdb3 partition 1048572 0 -2"});
    Texts calls;
    auto unmount = [&](const std::string& path) {
        calls.push_back("umount " + path);
        if (path == "/mnt/bind") return EBUSY;
        // "/data" is mounted again at once, as an automounter would.
        if (path != "/data")
            std::erase_if(mounted, [&](const auto& line) { return Contains(line, " " + Escaped(path) + " "); });
        tree.Mounts(mounted);
        return 0;
    };
    auto swapOff = [&](const std::string& path) {
        calls.push_back("swapoff " + path);
        tree.Swaps({});
        return 0;
    };
    auto holders = tree.Holders({unmount, swapOff});
    auto release = holders.Release("sdb");
    EXPECT_EQ(calls, (Texts{"swapoff /dev/sdb3", "umount /mnt/bind", "umount /media/u/MY STICK", "umount /data"}));
    EXPECT_EQ(release->failures, (Texts{"/mnt/bind: Device or resource busy", "/data: still mounted"}));
    EXPECT_EQ(DiskNotFreedText("sdb", release->failures),
              "sdb could not be freed: /mnt/bind: Device or resource busy; /data: still mounted");

    // Once nothing is left, the release is complete and the other disk was never touched.
    mounted.erase(mounted.begin(), mounted.begin() + 2);
    tree.Mounts(mounted);
    calls.clear();
    EXPECT_TRUE(holders.Release("sdb")->failures.empty());
    EXPECT_TRUE(calls.empty());
    std::string why;
    EXPECT_EQ(holders.FindUse("sdc", &why)->mountPoints, (Texts{"/mnt/other"}));
}

TEST(MountTables, TheKernelsEscapesAreUndoneAndLinesOfAnotherShapeSkipped) {
    EXPECT_EQ(UnescapeMountField("/a\\011b\\134c\\04"), "/a\tb\\c\\04");  // a cut escape stays as written
    auto mounts = ParseMountInfo(
        "37 35 8:1 / /no/separator rw ext3 /dev/sda1 rw\n"
        "38 35 8:2 / /short rw -\n"
        "short line\n"
        "39 35 8:3 / /x rw master:1 - ext4 /dev/sda3 rw\n");
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].mountPoint + " " + mounts[0].source, "/x /dev/sda3");
    EXPECT_EQ(ParseSwaps("Filename Type Size Used Priority\nlonely\n").size(), 0u);
}

}  // namespace
}  // namespace mendora::platform

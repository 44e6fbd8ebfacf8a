// The volumes of a physical drive through stand-in volume calls, and Windows' own calls.
#include "platform/kernel/win32/WindowsHeader.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/scsi/win32/Win32DiskHolders.h"

namespace mendora::platform {
namespace {

using Texts = std::vector<std::string>;

struct FakeVolume {
    std::optional<std::vector<std::uint32_t>> disks;
    Texts paths;
    std::uint32_t lockError = 0;
};

class FakeVolumes : public VolumeCalls {
public:
    explicit FakeVolumes(std::map<std::string, FakeVolume> volumes) : volumes_(std::move(volumes)) {}
    // How many volumes are locked now (shared with the test, which keeps it past the fake).
    std::shared_ptr<int> locked = std::make_shared<int>(0);

    std::optional<Texts> Volumes() override {
        Texts names;
        for (const auto& [name, volume] : volumes_) names.push_back(name);
        return names;
    }
    std::optional<std::vector<std::uint32_t>> DisksOf(const std::string& volume) override {
        return volumes_.at(volume).disks;
    }
    Texts PathsOf(const std::string& volume) override { return volumes_.at(volume).paths; }
    std::unique_ptr<LockedVolume> LockAndDismount(const std::string& volume, std::uint32_t* error) override {
        *error = volumes_.at(volume).lockError;
        if (*error != 0) return nullptr;
        return std::make_unique<Locked>(locked);
    }

private:
    class Locked : public LockedVolume {
    public:
        explicit Locked(std::shared_ptr<int> count) : count_(std::move(count)) { ++*count_; }
        ~Locked() override { --*count_; }

    private:
        std::shared_ptr<int> count_;
    };
    std::map<std::string, FakeVolume> volumes_;
};

// C: on drive 0; E: (also mounted in a folder) on drive 1; a volume spanning drives 1 and 2
// without a path; an optical drive that tells no extents; F: on drive 2.
std::map<std::string, FakeVolume> Volumes(std::uint32_t errorOfE = 0, std::uint32_t errorOfF = 0) {
    return {{"\\\\?\\Volume{a}\\", {{{0}}, {"C:\\"}}},
            {"\\\\?\\Volume{b}\\", {{{1}}, {"E:\\", "C:\\mnt\\stick\\"}, errorOfE}},
            {"\\\\?\\Volume{c}\\", {{{2, 1}}, {}}},
            {"\\\\?\\Volume{d}\\", {std::nullopt, {"D:\\"}}},
            {"\\\\?\\Volume{e}\\", {{{2}}, {"F:\\"}, errorOfF}}};
}

TEST(Win32DiskHolders, TheVolumesOfADriveAreFoundByTheirExtentsAndShownByTheirFirstPath) {
    Win32DiskHolders holders(std::make_unique<FakeVolumes>(Volumes()));
    std::string why;
    auto use = holders.FindUse("1", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_EQ(use->mountPoints, (Texts{"E:", "\\\\?\\Volume{c}\\"}));
    use = holders.FindUse("\\\\.\\PHYSICALDRIVE2", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_EQ(use->mountPoints, (Texts{"\\\\?\\Volume{c}\\", "F:"}));
    use = holders.FindUse("PhysicalDrive7", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_FALSE(use->InUse());
    for (const std::string disk : {"", "E:", "PhysicalDrive", "1a", "-1", "\\\\.\\E:", "12345678"}) {
        EXPECT_FALSE(holders.FindUse(disk, &why)) << disk;
        EXPECT_FALSE(PhysicalDriveNumber(disk)) << disk;
    }
    EXPECT_EQ(PhysicalDriveNumber("physicaldrive12"), 12u);
}

TEST(Win32DiskHolders, ReleaseKeepsTheVolumesLockedAndNamesTheOneWithOpenFiles) {
    auto calls = std::make_unique<FakeVolumes>(Volumes(ERROR_ACCESS_DENIED, ERROR_NOT_READY));
    std::shared_ptr<int> locked = calls->locked;
    Win32DiskHolders holders(std::move(calls));

    auto release = holders.Release("1");
    EXPECT_EQ(release->failures, (Texts{"E: is in use (files are open on it)"}));
    EXPECT_EQ(*locked, 1);  // the spanned volume stays locked while the release lives
    release.reset();
    EXPECT_EQ(*locked, 0);

    release = holders.Release("2");
    ASSERT_EQ(release->failures.size(), 1u);
    EXPECT_EQ(release->failures[0].rfind("F: cannot be locked: ", 0), 0u) << release->failures[0];
    release = holders.Release("0");
    EXPECT_TRUE(release->failures.empty());
    EXPECT_EQ(*locked, 1);
}

TEST(Win32DiskHolders, WindowsListsItsVolumesAndADriveThatIsNotThereHasNone) {
    Win32DiskHolders holders;
    std::string why;
    auto use = holders.FindUse("PhysicalDrive99", &why);
    ASSERT_TRUE(use) << why;
    EXPECT_FALSE(use->InUse());
    EXPECT_TRUE(holders.Release("99")->failures.empty());
}

}  // namespace
}  // namespace mendora::platform

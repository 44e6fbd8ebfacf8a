// Directories of stations that were killed go with the next run; nothing else does.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/kernel/linux/LinuxClock.h"
#include "platform/kernel/linux/LinuxFileSystem.h"
#include "tests/TempDir.h"
#include "tools/station/HomeClaim.h"

namespace mendora::station {
namespace {

namespace fs = std::filesystem;

class StationHomes : public ::testing::Test {
protected:
    void SetUp() override { ::chmod(root.Path().c_str(), 0700); }
    // A directory under the root, claimed by a station that is gone.
    std::string Left(const std::string& name) {
        const std::string dir = root / name;
        fs::create_directory(dir);
        ::chmod(dir.c_str(), 0700);
        EXPECT_TRUE(ClaimHome(files, clock, dir));
        return dir;
    }
    testing::TempDir root;
    platform::LinuxFileSystem files;
    platform::LinuxClock clock;
};

TEST_F(StationHomes, OnlyDirectoriesWhoseStationIsGoneAreRemovedAndNoLinkIsFollowed) {
    testing::TempDir outside;
    std::ofstream(outside / "keep") << "x";
    const std::string gone = Left("mendora-station-gone");
    fs::create_directories(gone + "/Boot/70");
    fs::create_directory_symlink(outside.Path(), gone + "/Boot/away");

    const std::string live = root / "mendora-station-live";
    fs::create_directory(live);
    ::chmod(live.c_str(), 0700);
    auto held = ClaimHome(files, clock, live);
    ASSERT_TRUE(held);
    // Being made: no lock file yet, or one not yet written.
    fs::create_directory(root / "mendora-station-new");
    fs::create_directory(root / "mendora-station-empty");
    std::ofstream(root / "mendora-station-empty/station.lock");
    // Left over, but by another name, behind a link, or open to others.
    Left("other-gone");
    fs::create_directory(outside / "claimed");
    ASSERT_TRUE(ClaimHome(files, clock, outside / "claimed"));
    fs::create_directory_symlink(outside / "claimed", root / "mendora-station-link");
    ::chmod(Left("mendora-station-open").c_str(), 0777);

    EXPECT_EQ(RemoveLeftoverHomes(files, root.Path() + "/", "mendora-station-"), 1);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(outside / "keep"));
    EXPECT_TRUE(fs::exists(outside / "claimed/station.lock"));
    for (const char* kept : {"mendora-station-live", "mendora-station-new", "mendora-station-empty", "other-gone",
                             "mendora-station-link", "mendora-station-open"})
        EXPECT_TRUE(fs::exists(fs::symlink_status(root / kept))) << kept;
    held.reset();  // its station ends: the next look removes it
    EXPECT_EQ(RemoveLeftoverHomes(files, root.Path() + "/", "mendora-station-"), 1);
    EXPECT_FALSE(fs::exists(live));
}

}  // namespace
}  // namespace mendora::station

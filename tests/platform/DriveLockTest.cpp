// Drive locks: held by a whole process across its modules, refused to other processes until
// their holder lets go or ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/kernel/DriveLockName.h"
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/kernel/fake/FakeServices.h"
#include "platform/kernel/ChildProcess.h"
#include "tests/TempDir.h"
#include "tests/platform/TestDriveLocks.h"

#if !defined(_WIN32)
#include <unistd.h>

#include "platform/kernel/linux/DriveLockDirectory.h"
#endif

namespace mendora::platform {
namespace {

using testing::DriveLocksIn;
using testing::TempDir;

// Windows names the locks machine-wide: every run of the tests gets keys of its own.
std::string UniqueKey(const std::string& base) {
    std::random_device seed;
    return base + " " + std::to_string(std::mt19937_64(seed())() % 1000000000);
}

bool EndsWithInUse(const std::string& text) {
    return text.size() >= 6 && text.compare(text.size() - 6, 6, "in use") == 0;
}

// The test module's copy of the platform code, loaded as the device library is.
class OtherModule {
public:
    OtherModule() : load_(LoadModuleFile(MENDORA_DRIVE_LOCK_MODULE)) {
        if (!load_.module) return;
        take_ = reinterpret_cast<TakeFn>(load_.module->Symbol("ModuleTakeDriveLock"));
        release_ = reinterpret_cast<ReleaseFn>(load_.module->Symbol("ModuleReleaseDriveLock"));
    }
    bool Loaded() const { return take_ != nullptr && release_ != nullptr; }
    std::string Why() const { return load_.errorText; }
    // The id of the held lock, or 0 with *error.
    int Take(const std::string& directory, const std::string& key, std::string* error) {
        char text[512] = {};
        int id = take_(directory.c_str(), key.c_str(), text, sizeof text);
        *error = text;
        return id;
    }
    void Release(int id) { release_(id); }

private:
    using TakeFn = int (*)(const char*, const char*, char*, int);
    using ReleaseFn = void (*)(int);
    ModuleLoad load_;
    TakeFn take_ = nullptr;
    ReleaseFn release_ = nullptr;
};

std::string HolderProgram() {
    std::string self = NativeProcessHost().ExecutablePath();
    std::string suffix = self.size() > 4 && self.substr(self.size() - 4) == ".exe" ? ".exe" : "";
    return self.substr(0, self.rfind('/')) + "/test_drive_lock_holder" + suffix;
}

// What the holder wrote: "held" or "refused: ..."; empty when it wrote nothing in time.
std::string StatusOf(const std::string& file) {
    for (int i = 0; i < 600 && !std::filesystem::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

platform::ChildLaunch HolderLaunch(std::vector<std::string> arguments) {
    platform::ChildLaunch launch;
    launch.program = HolderProgram();
    launch.arguments = std::move(arguments);
    return launch;
}

// Another process tries the key, lets go and ends; answers its status.
std::string TryElsewhere(const TempDir& dir, const std::string& key) {
    static int runs = 0;
    const std::string status = dir / ("try" + std::to_string(++runs));
    platform::ChildProcess child;
    std::string error;
    if (!child.Start(HolderLaunch({"try", status, dir.Path(), key}), &error))
        return "not started: " + error;
    child.Wait(std::chrono::milliseconds::max());
    return StatusOf(status);
}

TEST(DriveLock, EveryModuleOfTheHoldingProcessGetsTheKeyAndOthersWaitForTheLastToLetGo) {
    TempDir dir;
    const std::string key = UniqueKey("usb 1-2.3 SERIAL");
    auto locks = DriveLocksIn(dir.Path());
    OtherModule module;
    ASSERT_TRUE(module.Loaded()) << module.Why();
    std::string error;

    auto first = locks->TryLock(key, &error);
    ASSERT_TRUE(first) << error;
    auto second = locks->TryLock(key, &error);
    ASSERT_TRUE(second) << error;
    int inModule = module.Take(dir.Path(), key, &error);
    ASSERT_NE(inModule, 0) << error;
    std::string elsewhere = TryElsewhere(dir, key);
    EXPECT_TRUE(elsewhere.rfind("refused: ", 0) == 0 && EndsWithInUse(elsewhere)) << elsewhere;

    // The executable lets go; the module still holds the key for the process.
    first.reset();
    second.reset();
    EXPECT_TRUE(EndsWithInUse(TryElsewhere(dir, key)));
    module.Release(inModule);
    EXPECT_EQ(TryElsewhere(dir, key), "held");

    // The other way round: the module lets go first, the executable keeps it.
    inModule = module.Take(dir.Path(), key, &error);
    ASSERT_NE(inModule, 0) << error;
    auto again = locks->TryLock(key, &error);
    ASSERT_TRUE(again) << error;
    module.Release(inModule);
    EXPECT_TRUE(EndsWithInUse(TryElsewhere(dir, key)));
    again.reset();
    EXPECT_EQ(TryElsewhere(dir, key), "held");
}

TEST(DriveLock, AnotherProcessHoldingTheKeyRefusesItUntilItIsKilled) {
    TempDir dir;
    const std::string key = UniqueKey("image /drives/a.img");
    auto locks = DriveLocksIn(dir.Path());
    OtherModule module;
    ASSERT_TRUE(module.Loaded()) << module.Why();
    const std::string status = dir / "hold";
    platform::ChildProcess holder;
    std::string why;
    ASSERT_TRUE(holder.Start(HolderLaunch({"hold", status, dir.Path(), key}), &why)) << why;
    ASSERT_EQ(StatusOf(status), "held");

    std::string error;
    EXPECT_FALSE(locks->TryLock(key, &error));
    EXPECT_TRUE(EndsWithInUse(error)) << error;
    EXPECT_EQ(module.Take(dir.Path(), key, &error), 0);
    EXPECT_TRUE(EndsWithInUse(error)) << error;
    EXPECT_TRUE(locks->TryLock(key + " other", &error)) << error;

    holder.Terminate();
    holder.Wait(std::chrono::milliseconds::max());
    auto after = locks->TryLock(key, &error);
    EXPECT_TRUE(after) << error;
    after.reset();
    EXPECT_EQ(TryElsewhere(dir, key), "held");
}

TEST(DriveLock, ModulesTakingAndReleasingAtOnceNeverDropTheHoldOfAnother) {
    TempDir dir;
    const std::string key = UniqueKey("usb 2-1 CYCLES");
    auto locks = DriveLocksIn(dir.Path());
    OtherModule module;
    ASSERT_TRUE(module.Loaded()) << module.Why();
    std::string error;
    auto anchor = locks->TryLock(key, &error);
    ASSERT_TRUE(anchor) << error;

    std::atomic<int> refusals{0};
    std::thread inExecutable([&] {
        for (int i = 0; i < 200; ++i) {
            std::string why;
            if (!locks->TryLock(key, &why)) ++refusals;
        }
    });
    std::thread inModule([&] {
        for (int i = 0; i < 200; ++i) {
            std::string why;
            int id = module.Take(dir.Path(), key, &why);
            if (id == 0) ++refusals;
            module.Release(id);
        }
    });
    inExecutable.join();
    inModule.join();
    EXPECT_EQ(refusals, 0);
    EXPECT_TRUE(EndsWithInUse(TryElsewhere(dir, key)));  // the anchor still holds it
    anchor.reset();
    EXPECT_EQ(TryElsewhere(dir, key), "held");  // and nothing kept it after
}

TEST(DriveLock, NamesAreSafeFileNamesTheSameForEveryBuildAndApartForKeysThatReadAlike) {
    // Programs of other builds must find the same name: the hash is fixed.
    EXPECT_EQ(DriveLockName("usb 1-2.3 AA04012700008941"), "drive-usb_1-2.3_AA04012700008941-8e41fb2978840a90");
    EXPECT_EQ(DriveLockName(""), "drive--cbf29ce484222325");
    EXPECT_EQ(DriveLockName("a"), "drive-a-af63dc4c8601ec8c");
    for (const std::string& key : std::vector<std::string>{"../../etc/passwd", "C:\\drives\\a.img",
                                                           std::string("a\0b", 3), std::string(1000, 'x')}) {
        std::string name = DriveLockName(key);
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_"),
                  std::string::npos)
            << name;
        EXPECT_LE(name.size(), 6u + 64 + 1 + 16);
    }
    EXPECT_NE(DriveLockName("a/b"), DriveLockName("a_b"));
}

#if !defined(_WIN32)
TEST(DriveLock, RootSharesOneSystemDirectoryAndRefusesOneThatIsNotItsOwnOthersUseTheirPrivateOne) {
    TempDir dir;
    FakeTempRoot tempRoot;
    tempRoot.directory = dir / "private/";
    std::string why;
    if (::geteuid() != 0) {
        EXPECT_EQ(DriveLockDirectory(tempRoot, &why, dir / "system"), dir / "private/");
        return;
    }
    EXPECT_EQ(DriveLockDirectory(tempRoot, &why, dir / "system"), dir / "system/");
    EXPECT_EQ(std::filesystem::status(dir / "system").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0755));
    std::filesystem::create_directory(dir / "elsewhere");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "planted");
    EXPECT_EQ(DriveLockDirectory(tempRoot, &why, dir / "planted"), "");
    EXPECT_EQ(why, dir / "planted: it is a symbolic link");
    // Without /run/lock at all, root falls back on its private directory.
    EXPECT_EQ(DriveLockDirectory(tempRoot, &why, dir / "none/system"), dir / "private/");
}

TEST(DriveLock, ALinkPlantedForTheLockFileIsNeverFollowed) {
    TempDir dir;
    const std::string key = "usb 3-1 LINKED";
    std::filesystem::create_symlink(dir / "target", dir / (DriveLockName(key) + ".lock"));
    std::string error;
    EXPECT_FALSE(DriveLocksIn(dir.Path())->TryLock(key, &error));
    EXPECT_FALSE(EndsWithInUse(error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "target"));
}
#endif

}  // namespace
}  // namespace mendora::platform

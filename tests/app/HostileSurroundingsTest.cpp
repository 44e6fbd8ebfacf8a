// The executable started in surroundings that someone else prepared: a work directory that
// is a link, open to others or not ours, and a disk that fills up while the boot code is
// unpacked. Each is refused with a clear message, and nothing is written where it should not be.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/ProgramRuns.h"
#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"

namespace mendora::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Environment(const std::string& root) {
    return {"XDG_RUNTIME_DIR=" + root, "MENDORA_UI=tty", "MENDORA_ASSUME_YES=1", "PATH=/usr/bin:/bin", "LANG=C"};
}

std::uintmax_t TreeSize(const std::string& dir) {
    std::uintmax_t total = 0;
    for (auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

TEST(HostileSurroundings, AWorkDirectoryThatIsALinkOpenToOthersOrNotOursIsRefused) {
    TempDir root, elsewhere;
    ::chmod(root.Path().c_str(), 0700);
    const std::string work = root / "UfdApp";
    const std::string out = root / "out.txt";

    fs::create_directory_symlink(elsewhere.Path(), work);
    ASSERT_EQ(RunMendora(Environment(root.Path()), out), 2);  // refused: nothing done
    EXPECT_TRUE(Contains(ReadText(out), "cannot be used: it is a symbolic link")) << ReadText(out);
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
    fs::remove(work);

    fs::create_directory(work);
    ::chmod(work.c_str(), 0770);
    ASSERT_EQ(RunMendora(Environment(root.Path()), out), 2);  // refused: nothing done
    EXPECT_TRUE(Contains(ReadText(out), "The work directory " + work)) << ReadText(out);
    EXPECT_TRUE(fs::is_empty(work));

    if (::geteuid() != 0) return;  // only root can give a directory away
    ::chmod(work.c_str(), 0700);
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(::chown(work.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(RunMendora(Environment(root.Path()), out), 2);  // refused: nothing done
    EXPECT_TRUE(Contains(ReadText(out), "The work directory " + work)) << ReadText(out);
    EXPECT_TRUE(fs::is_empty(work));
}

TEST(HostileSurroundings, ADiskThatFillsWhileUnpackingEndsBeforeTheDialog) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
    // How much a complete start writes, with no drive attached.
    TempDir roomy;
    ::chmod(roomy.Path().c_str(), 0700);
    ASSERT_EQ(RunMendora(Environment(roomy.Path()), roomy / "out.txt"), 2);  // no drive
    ASSERT_TRUE(WaitUntilNotRunning(roomy / "UfdApp/Mendrix.exe"));
    const std::uintmax_t needed = TreeSize(roomy / "UfdApp");

    TempDir full;
    const std::string size = "size=" + std::to_string((needed - 400 * 1024) / 1024) + "k,mode=0700";
    if (::mount("tmpfs", full.Path().c_str(), "tmpfs", 0, size.c_str()) != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string out = roomy / "full.txt";
    EXPECT_EQ(RunMendora(Environment(full.Path()), out), 2);
    EXPECT_TRUE(WaitUntilNotRunning(full / "UfdApp/Mendrix.exe"));
    const std::string text = ReadText(out);
    ::umount(full.Path().c_str());
    EXPECT_TRUE(Contains(text, "could not be written completely into")) << text;
    EXPECT_FALSE(Contains(text, "All Data will be deleted")) << text;
}

}  // namespace
}  // namespace mendora::testing

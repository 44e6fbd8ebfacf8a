// The desktop host losing its display in the middle of a repair: the X server is killed
// while the revert runs.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"
#include "tests/ProgramRuns.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

// A private X server on a display it picks itself, killed with the object (or before, by
// Kill). Xvfb writes the display's number once it accepts connections, so no display is
// guessed and none is used before it is ready.
class XServer {
public:
    XServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        display_ = ReadDisplayNumber(fds[0]);
        ::close(fds[0]);
    }
    ~XServer() { Kill(); }
    bool Ready() const { return pid_ > 0 && !display_.empty(); }
    const std::string& Display() const { return display_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    // ":<number>" from Xvfb's line, or empty when none comes within 10 seconds.
    static std::string ReadDisplayNumber(int fd) {
        std::string digits;
        char c = 0;
        pollfd wait{fd, POLLIN, 0};
        while (::poll(&wait, 1, 10'000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n') digits += c;
        return c == '\n' && !digits.empty() ? ":" + digits : "";
    }

    std::string display_;
    pid_t pid_ = -1;
};

TEST(DisplayLoss, StopsTheRevertAndEndsWithOneLineInsteadOfACrash) {
    XServer x;
    ASSERT_TRUE(x.Ready()) << "Xvfb did not start";
    TempDir root;
    ::chmod(root.Path().c_str(), 0700);
    const std::string image = root / "drive.img";
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry.zones = 16;  // a revert of several seconds
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;

    // Qt's connection to the X server runs a reader thread inside Qt and GLib, which the
    // thread sanitizer cannot see synchronise; its reports there are about those libraries.
    std::ofstream(root / "qt.supp") << "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6XcbQpa.so\nrace:libglib-2.0.so\n";
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root.Path(), "MENDORA_UI=qt", "DISPLAY=" + x.Display(),
                                    "MENDORA_ASSUME_YES=1", "MENDORA_VDRIVE=" + image,
                                    "MENDORA_DEBUG=" + (root / "debug.log"), "PATH=/usr/bin:/bin", "LANG=C",
                                    "TSAN_OPTIONS=suppressions=" + (root / "qt.supp")};
    const auto launcher = StartMendora(env, root / "out.txt");
    ASSERT_TRUE(launcher);
    ASSERT_TRUE(WaitForText(root / "debug.log", "Revert EraseAll OK")) << ReadText(root / "out.txt");
    x.Kill();
    ASSERT_TRUE(WaitUntilNotRunning(root / "UfdApp/Mendrix.exe", 60)) << ReadText(root / "out.txt");
    EXPECT_EQ(WaitForExit(launcher), 1);  // the repair did not complete

    const std::string out = ReadText(root / "out.txt");
    EXPECT_TRUE(Contains(out, "Mendora: the display was lost; the repair was stopped")) << out;
    for (const char* fault : {"double free", "Segmentation", "Aborted", "ERROR: AddressSanitizer",
                              "WARNING: ThreadSanitizer", "runtime error:", "Repair complete"})
        EXPECT_FALSE(Contains(out, fault)) << fault << "\n" << out;
    // The revert was stopped where it was: it never reached its end, nor the library.
    const std::string debug = ReadText(root / "debug.log");
    EXPECT_FALSE(Contains(debug, "REVERT FINISHED")) << debug;
    EXPECT_FALSE(Contains(debug, "ErrCode=")) << debug;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    EXPECT_FALSE(drive->Info(&error)->diskReady);
}

}  // namespace
}  // namespace mendora::testing

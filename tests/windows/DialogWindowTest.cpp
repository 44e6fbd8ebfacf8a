// The dialog in the Windows desktop host: a native window presents the software-drawn
// surface. Read back from the screen it shows exactly the surface; the picture is kept as
// the screenshot of the dialog under wine. Needs a display (scripts/test windows starts one).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/win32/Win32UiHost.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

// Pixels where the two pictures differ.
int Differences(const platform::Bitmap& a, const platform::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

TEST(DialogWindow, TheNativeWindowShowsTheDialogsSurfaceAndThePopupsToo) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no display";
    DialogRig rig;
    Drive().updateFile = rig.WriteUpdateFile("QFW045");
    platform::Win32UiHost host;
    const std::string dir = std::string(MENDORA_TEST_OUTPUT) + "/windows";
    std::filesystem::create_directories(dir);
    RepairDialog& dialog = rig.Dialog();
    platform::Bitmap shown, popupShown;
    bool grabbed = false, popupGrabbed = false;
    int differences = -2, popupDifferences = -2;
    void* native = nullptr;
    platform::WindowSystem::Get().PostTask([&] {
        dialog.UpdateWindow();
        native = host.NativeHandle(*dialog.Node());
        grabbed = host.Grab(*dialog.Node(), &shown);
        if (grabbed) differences = Differences(shown, *dialog.Node()->surface);
        dialog.ShowReplugPopup();
        dialog.Popup()->UpdateWindow();
        popupGrabbed = host.Grab(*dialog.Popup()->Node(), &popupShown);
        if (popupGrabbed) popupDifferences = Differences(popupShown, *dialog.Popup()->Node()->surface);
        dialog.EndDialog(0);
    });
    EXPECT_EQ(dialog.DoModal(), 0);
    ASSERT_TRUE(grabbed);
    ASSERT_TRUE(popupGrabbed);
    EXPECT_TRUE(shown.WritePng(dir + "/repair-dialog.png"));
    EXPECT_TRUE(popupShown.WritePng(dir + "/replug-popup.png"));
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(popupDifferences, 0);
    EXPECT_NE(native, nullptr);
}

}  // namespace
}  // namespace mendora::testing

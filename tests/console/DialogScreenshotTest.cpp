// The dialog as the desktop host shows it, offscreen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/WindowSystem.h"
#include "platform/ui/qt/QtUiHost.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

TEST(DialogScreenshot, AfterInitialisationAndTheReplugPopupInTheQtHost) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    DialogRig rig;
    Drive().updateFile = rig.WriteUpdateFile("QFW045");
    platform::QtUiHost qt;
    std::string path = std::string(MENDORA_TEST_OUTPUT) + "/dialog/initialised.png";
    std::filesystem::create_directories(std::string(MENDORA_TEST_OUTPUT) + "/dialog");
    std::filesystem::remove(path);
    RepairDialog& dialog = rig.Dialog();
    std::string popupPath = std::string(MENDORA_TEST_OUTPUT) + "/dialog/replug-popup.png";
    bool grabbed = false, popupGrabbed = false;
    platform::WindowSystem::Get().PostTask([&] {
        dialog.UpdateWindow();
        grabbed = qt.Grab(dialog, path);
        dialog.ShowReplugPopup();
        dialog.Popup()->UpdateWindow();
        popupGrabbed = qt.Grab(*dialog.Popup(), popupPath);
        dialog.EndDialog(0);
    });
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_TRUE(grabbed);
    EXPECT_TRUE(popupGrabbed);
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

}  // namespace
}  // namespace mendora::testing

// The station's window in the Windows desktop host: the native window shows exactly the
// picture the framework drew, pixel for pixel, as the Qt host does; the picture is kept
// beside the Qt one. Needs a display (scripts/test windows starts one).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/win32/Win32UiHost.h"
#include "tests/station/StationWindowScene.h"

namespace mendora::station {
namespace {

TEST(StationWindowNative, TheNativeWindowShowsTheFrameworksPictureOfSixTiles) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no display";
    platform::Win32UiHost host;
    const StationTexts texts = TextsFromTable(1033);
    WindowLink link;
    link.Publish(SixDriveScene(texts));
    StationWindow window(link, texts, 6);
    const std::string dir = std::string(MENDORA_TEST_OUTPUT) + "/station-window";
    std::filesystem::create_directories(dir);
    platform::Bitmap shown;
    bool grabbed = false;
    int differences = -2;
    void* native = nullptr;
    platform::WindowSystem::Get().PostTask([&] {
        window.UpdateWindow();
        native = host.NativeHandle(*window.Node());
        grabbed = host.Grab(*window.Node(), &shown);
        if (grabbed) differences = PixelDifferences(shown, *window.Node()->surface);
        window.EndDialog(0);
    });
    EXPECT_EQ(window.DoModal(), 0);
    ASSERT_NE(native, nullptr);
    ASSERT_TRUE(grabbed);
    EXPECT_TRUE(shown.WritePng(dir + "/windows.png"));
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace mendora::station

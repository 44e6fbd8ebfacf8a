// The station's window in the desktop host (Qt, offscreen): what Qt shows is exactly what
// the framework drew, pixel for pixel; the picture is kept with the test output.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/qt/QtUiHost.h"
#include "tests/station/StationWindowScene.h"

namespace mendora::station {
namespace {

platform::Bitmap Loaded(const std::string& path) {
    QImage image(QString::fromStdString(path));
    platform::Bitmap bitmap(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            bitmap.SetPixel(x, y, platform::RGB(qRed(p), qGreen(p), qBlue(p)));
        }
    return bitmap;
}

TEST(StationWindowScreenshot, QtShowsTheFrameworksPictureOfSixTiles) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::QtUiHost qt;
    const StationTexts texts = TextsFromTable(1033);
    WindowLink link;
    link.Publish(SixDriveScene(texts));
    StationWindow window(link, texts, 6);
    const std::string dir = std::string(MENDORA_TEST_OUTPUT) + "/station-window";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/qt.png";
    std::filesystem::remove(path);
    bool grabbed = false;
    platform::Bitmap drawn;
    platform::WindowSystem::Get().PostTask([&] {
        window.UpdateWindow();
        grabbed = qt.Grab(window, path);
        drawn = *window.Node()->surface;
        window.EndDialog(0);
    });
    EXPECT_EQ(window.DoModal(), 0);
    ASSERT_TRUE(grabbed);
    EXPECT_EQ(PixelDifferences(Loaded(path), drawn), 0);
    EXPECT_TRUE(drawn.WritePng(dir + "/framework.png"));
}

}  // namespace
}  // namespace mendora::station

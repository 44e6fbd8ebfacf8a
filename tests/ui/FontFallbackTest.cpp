// Fonts on a host without the families the dialogs name, or without any face at all.
#include <gtest/gtest.h>

#include "platform/ui/Constants.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Font.h"
#include "platform/ui/FontFiles.h"
#include "platform/ui/TestUiHost.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

// A lookup that answers from fixed files: none at all by default.
class FixedFaces : public FontLookup {
public:
    FaceFile Match(const std::string&, int) override { return family; }
    FaceFile MatchWith(char32_t, int) override { return any; }
    FaceFile family;
    FaceFile any;
};

int InkedPixels(const Bitmap& bitmap) {
    int inked = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) inked += bitmap.Pixel(x, y) != RGB(255, 255, 255);
    return inked;
}

TEST(FontFallback, WithoutAnyFaceTextIsMeasuredAndNothingIsDrawn) {
    FixedFaces none;
    ScopedFontLookup scoped(none);
    Font arial("Arial", 13);
    EXPECT_FALSE(arial.HasFace());
    EXPECT_EQ(arial.Metrics().height, 13);
    EXPECT_EQ(arial.Metrics().ascent + arial.Metrics().descent, 13);
    ASSERT_GT(arial.Metrics().averageWidth, 0);
    EXPECT_EQ(arial.Measure("25%"), (Size{3 * arial.Metrics().averageWidth, 13}));

    Bitmap bitmap(60, 20, RGB(255, 255, 255));
    DC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    dc.TextOut(0, 0, "text");  // the default font too has no face here
    dc.SelectObject(&arial);
    dc.TextOut(0, 0, "text");
    EXPECT_EQ(InkedPixels(bitmap), 0);
}

TEST(FontFallback, AFaceFileThatCannotBeOpenedGivesWayToAnyFaceWithLatinLetters) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "broken.ttf", "not a font at all");
    FaceFile good = HostFontLookup().Match("Liberation Sans", 400);
    ASSERT_FALSE(good.path.empty());
    FixedFaces faces;
    faces.family = {dir / "broken.ttf", 0};
    faces.any = good;
    ScopedFontLookup scoped(faces);
    Font font("Arial", 13);
    EXPECT_TRUE(font.HasFace());
    EXPECT_EQ(font.ResolvedFile(), good.path);
}

TEST(FontFallback, ADialogWhoseTextsCannotBeDrawnSaysSoAndIsNotShown) {
    FixedFaces none;
    ScopedFontLookup scoped(none);
    TestUiHost host;
    DialogTemplate t;
    t.caption = "Mendrix";
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 100;
    t.cy = 50;
    t.items = {{kButtonClass, 1, "Repair", 10, 10, 50, 14, BS_DEFPUSHBUTTON | WS_VISIBLE}};
    Dialog modal(t);
    EXPECT_EQ(modal.DoModal(), -1);
    EXPECT_FALSE(modal.Exists());
    Dialog modeless(t);
    EXPECT_FALSE(modeless.CreateModeless());
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0].text, kNoFontText);
    EXPECT_EQ(host.shown[0].caption, "Mendrix");
}

}  // namespace
}  // namespace mendora::platform

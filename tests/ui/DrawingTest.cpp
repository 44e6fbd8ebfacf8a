#include <gtest/gtest.h>

#include "platform/ui/Constants.h"
#include "platform/ui/DC.h"
#include "platform/ui/Font.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mendora::platform {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

struct Canvas {
    Bitmap bitmap{100, 100, kWhite};
    DC dc;
    Canvas() {
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
    }
};

TEST(Drawing, PieGoesCounterClockwiseFromTheStartRadial) {
    Canvas c;
    Brush red(kRed);
    c.dc.SelectObject(&Pen::Null());
    c.dc.SelectObject(&red);
    c.dc.Pie({0, 0, 100, 100}, {100, 50}, {50, 0});  // 3 o'clock to 12 o'clock
    EXPECT_EQ(c.bitmap.Pixel(75, 25), kRed);
    EXPECT_EQ(c.bitmap.Pixel(25, 25), kWhite);
    EXPECT_EQ(c.bitmap.Pixel(75, 75), kWhite);
    Canvas d;
    d.dc.SelectObject(&Pen::Null());
    d.dc.SelectObject(&red);
    d.dc.Pie({0, 0, 100, 100}, {50, 0}, {100, 50});  // the other three quarters
    EXPECT_EQ(d.bitmap.Pixel(75, 25), kWhite);
    EXPECT_EQ(d.bitmap.Pixel(25, 25), kRed);
    EXPECT_EQ(d.bitmap.Pixel(75, 75), kRed);
    EXPECT_EQ(d.bitmap.Pixel(2, 2), kWhite);  // outside the ellipse
}

TEST(Drawing, OriginClipAndBlit) {
    Canvas c;
    c.dc.SetWindowOrg({10, 20});
    c.dc.FillSolidRect({10, 20, 12, 22}, kRed);  // lands at the bitmap's corner
    EXPECT_EQ(c.bitmap.Pixel(0, 0), kRed);
    EXPECT_EQ(c.bitmap.Pixel(2, 2), kWhite);
    EXPECT_EQ(c.dc.GetClipBox(), (Rect{10, 20, 110, 120}));
    Rect clip{30, 30, 40, 40};
    c.dc.SelectClipRect(&clip);
    c.dc.FillSolidRect({0, 0, 200, 200}, RGB(0, 0, 255));
    EXPECT_EQ(c.bitmap.Pixel(20, 10), RGB(0, 0, 255));
    EXPECT_EQ(c.bitmap.Pixel(19, 10), kWhite);
    EXPECT_EQ(c.bitmap.Pixel(30, 20), kWhite);

    Canvas target;
    target.dc.BitBlt(0, 0, 100, 100, c.dc, 10, 20, SRCCOPY);
    EXPECT_EQ(target.bitmap.Pixel(0, 0), kRed);
    EXPECT_EQ(target.bitmap.Pixel(25, 15), RGB(0, 0, 255));
}

TEST(Drawing, TextAlignmentAndArialMetrics) {
    Font arial("Arial", 13);
    EXPECT_NE(arial.ResolvedFile().find("Liberation"), std::string::npos);
    EXPECT_EQ(arial.Metrics().height, 13);
    Canvas c;
    c.dc.SelectObject(&arial);
    c.dc.SetBkMode(TRANSPARENT);
    Size size = c.dc.GetTextExtent("25%");
    EXPECT_EQ(size.cy, 13);
    EXPECT_GT(size.cx, 10);
    Rect calc{0, 0, 0, 0};
    c.dc.DrawText("one\ntwo", calc, DT_CALCRECT);
    EXPECT_EQ(calc.Height(), 26);

    auto inked = [](const Bitmap& b) {
        Rect box{1000, 1000, -1, -1};
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y) != kWhite)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
        return box;
    };
    Rect right{0, 0, 90, 100};
    c.dc.DrawText("W", right, DT_RIGHT | DT_VCENTER);  // vertical centring needs one line mode
    Rect ink = inked(c.bitmap);
    EXPECT_LE(ink.right, 90);
    EXPECT_GE(ink.right, 85);
    EXPECT_LT(ink.bottom, 14);

    Canvas centred;
    centred.dc.SelectObject(&arial);
    Rect all{0, 0, 100, 100};
    centred.dc.DrawText("W", all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ink = inked(centred.bitmap);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 50, 2);
    EXPECT_GT(ink.top, 40);
    EXPECT_LT(ink.bottom, 60);
}

// Characters the Latin face lacks come from a CJK face: each draws its own glyph (not the
// missing-glyph box) and the measured width is the width drawn.
TEST(Drawing, ChineseTextFallsBackToAFaceThatHasIt) {
    Font arial("Arial", -16);
    using Pixels = std::set<std::pair<int, int>>;
    auto draw = [&](const std::string& text) {
        Pixels on;
        arial.Render(text, 0, 0, [&](int x, int y) { on.insert({x, y}); });
        return on;
    };
    const Pixels box = draw("\xF4\x8F\xBF\xBD");  // U+10FFFD: in no face
    const std::vector<std::string> chars = {"裝", "置", "資", "訊"};
    std::vector<Pixels> drawn;
    for (const auto& c : chars) {
        drawn.push_back(draw(c));
        EXPECT_GT(drawn.back().size(), 20u) << c << ": no CJK face (install fonts-wqy-microhei)";
        EXPECT_NE(drawn.back(), box) << c;
    }
    for (std::size_t a = 0; a < drawn.size(); ++a)
        for (std::size_t b = a + 1; b < drawn.size(); ++b) EXPECT_NE(drawn[a], drawn[b]) << chars[a] << chars[b];

    Size size = arial.Measure("裝置資訊");
    EXPECT_EQ(size.cx, 4 * arial.Measure("裝").cx);  // full-width characters
    EXPECT_GE(size.cx, 4 * 14);
    int right = 0;
    for (auto [x, y] : draw("裝置資訊")) right = std::max(right, x + 1);
    EXPECT_LE(right, size.cx);
    EXPECT_GT(right, size.cx - 16 / 2);
    EXPECT_EQ(arial.Measure("A裝").cx, arial.Measure("A").cx + arial.Measure("裝").cx);
}

}  // namespace
}  // namespace mendora::platform

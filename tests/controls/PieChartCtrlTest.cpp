#include "controls/PieChartCtrl.h"

#include <gtest/gtest.h>

#include "ControlHost.h"
#include "platform/ui/DC.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowClass.h"

namespace mendora {
namespace {

using namespace platform;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

struct PieFixture : ::testing::Test {
    test::ControlHost ui;
    PieChartCtrl pie;

    void CreatePie(int width, int height) {
        ASSERT_TRUE(pie.Create("PIE_CHART_CTRL", "Pie Chart", WS_CHILD | WS_VISIBLE, {0, 0, width, height},
                               &ui.frame, 1000));
        ui.host.Pump();
    }

    // The pixels of one colour, as a picture of its own.
    static std::vector<Point> PixelsOf(const Bitmap& picture, COLORREF colour) {
        std::vector<Point> at;
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                if (picture.Pixel(x, y) == colour) at.push_back({x, y});
        return at;
    }

    // What the text looks like when drawn alone in the label font, centred on the point.
    static std::vector<Point> TextAlone(const std::string& text, Point centre, int width, int height) {
        Bitmap alone(width, height, RGB(255, 255, 255));
        DC dc(&alone, {0, 0}, {0, 0, width, height});
        Font font("Arial", 13, 400);
        dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kGreen);
        Size size = dc.GetTextExtent(text);
        dc.TextOut(centre.x - size.cx / 2, centre.y - size.cy / 2, text);
        return PixelsOf(alone, kGreen);
    }

    int CountColour(const Bitmap& picture, COLORREF colour) {
        int n = 0;
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) n += picture.Pixel(x, y) == colour;
        return n;
    }
};

TEST_F(PieFixture, ClassIsRegisteredWithCrossCursorAndGreyBackground) {
    const WindowClass* cls = FindWindowClass("PIE_CHART_CTRL");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->cursor, IDC_CROSS);
    EXPECT_EQ(cls->background, RGB(192, 192, 192));
    EXPECT_EQ(cls->style, CS_GLOBALCLASS);
    EXPECT_FALSE(RegisterPieChartClass());  // already there
}

TEST_F(PieFixture, PieRectIsASquareCentredAndRestingOnTheBottom) {
    CreatePie(200, 100);
    EXPECT_EQ(pie.PieRect(), (Rect{50, 0, 150, 100}));
    pie.MoveWindow({0, 0, 100, 160});
    EXPECT_EQ(pie.PieRect(), (Rect{0, 60, 100, 160}));
    pie.MoveWindow({0, 0, 101, 60});
    EXPECT_EQ(pie.PieRect(), (Rect{20, 0, 80, 60}));  // (101 - 60) / 2 truncated
}

TEST_F(PieFixture, AngleToPointIsExact) {
    CreatePie(100, 100);
    EXPECT_EQ(pie.AngleToPoint(0, false), (Point{50, 0}));
    EXPECT_EQ(pie.AngleToPoint(90, false), (Point{100, 49}));  // sin rounds to 1: one past the square
    EXPECT_EQ(pie.AngleToPoint(180, false), (Point{50, 100}));
    EXPECT_EQ(pie.AngleToPoint(270, false), (Point{0, 50}));
    EXPECT_EQ(pie.AngleToPoint(45, false), (Point{85, 14}));
    EXPECT_EQ(pie.AngleToPoint(0, true), (Point{50, 19}));
    EXPECT_EQ(pie.AngleToPoint(90, true), (Point{80, 49}));
    // Negative and large angles fold into 0..359.
    EXPECT_EQ(pie.AngleToPoint(-30, false), pie.AngleToPoint(330, false));
    EXPECT_EQ(pie.AngleToPoint(-360, false), pie.AngleToPoint(0, false));
    EXPECT_EQ(pie.AngleToPoint(-1, false), pie.AngleToPoint(359, false));
    EXPECT_EQ(pie.AngleToPoint(725, false), pie.AngleToPoint(5, false));
    EXPECT_EQ(pie.AngleToPoint(INT32_MIN, false), pie.AngleToPoint(232, false));
}

TEST_F(PieFixture, FullSliceLeavesTheDiscAndQuarterCoversTopRight) {
    CreatePie(100, 100);
    EXPECT_EQ(pie.AddSegment(kRed, kGreen, 360, ""), 1);
    Bitmap full = ui.host.Snapshot(pie);
    test::ControlHost::Save(full, "pie-360");
    EXPECT_EQ(full.Pixel(75, 30), kBlue);
    EXPECT_EQ(full.Pixel(25, 70), kBlue);
    EXPECT_EQ(full.Pixel(1, 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(CountColour(full, kRed), 0);

    pie.RemoveAllSegments();
    pie.AddSegment(kRed, kGreen, 90, "");
    Bitmap quarter = ui.host.Snapshot(pie);
    test::ControlHost::Save(quarter, "pie-90");
    EXPECT_EQ(quarter.Pixel(75, 30), kRed);   // top right
    EXPECT_EQ(quarter.Pixel(25, 30), kBlue);  // top left
    EXPECT_EQ(quarter.Pixel(75, 70), kBlue);  // bottom right
    EXPECT_EQ(quarter.Pixel(25, 70), kBlue);
    EXPECT_EQ(quarter.Pixel(50, 25), RGB(0, 0, 0));  // edge line from 12 o'clock to the centre
    EXPECT_GT(CountColour(quarter, kGreen), 10);      // "25%"
}

TEST_F(PieFixture, PercentageOnlyAboveTwentyFiveDegrees) {
    CreatePie(100, 100);
    pie.AddSegment(kRed, kGreen, 25, "");
    Bitmap narrow = ui.host.Snapshot(pie);
    EXPECT_EQ(CountColour(narrow, kGreen), 0);
    pie.RemoveAllSegments();
    pie.AddSegment(kRed, kGreen, 26, "");
    Bitmap wide = ui.host.Snapshot(pie);
    test::ControlHost::Save(wide, "pie-26");
    EXPECT_GT(CountColour(wide, kGreen), 0);
}

TEST_F(PieFixture, PercentageTextIsTheRoundedShareCentredInTheSlice) {
    CreatePie(200, 200);
    struct Row {
        int span;
        const char* text;
        Point middle;  // the inner point at half the span, from 12 o'clock; truncated, so 3 o'clock is y 99
    };
    for (Row row : {Row{26, "7%", {113, 41}}, Row{90, "25%", {142, 57}}, Row{180, "50%", {160, 99}}}) {
        SCOPED_TRACE(row.text);
        pie.RemoveAllSegments();
        pie.AddSegment(kRed, kGreen, row.span, "");
        EXPECT_EQ(pie.AngleToPoint(row.span / 2, true), row.middle);
        Bitmap picture = ui.host.Snapshot(pie);
        test::ControlHost::Save(picture, std::string("pie-text-") + std::to_string(row.span));
        std::vector<Point> drawn = PixelsOf(picture, kGreen);
        EXPECT_FALSE(drawn.empty());
        EXPECT_EQ(drawn, TextAlone(row.text, row.middle, 200, 200));
    }
    // The next percentage would look different: the comparison tells texts apart.
    EXPECT_NE(TextAlone("7%", {113, 41}, 200, 200), TextAlone("8%", {113, 41}, 200, 200));
}

TEST_F(PieFixture, SliceThatDoesNotMoveThePointFillsNoWedgeButKeepsItsEdges) {
    CreatePie(100, 100);
    // 0 degrees, and 1 degree which moves the 12 o'clock point by less than a pixel.
    EXPECT_EQ(pie.AngleToPoint(1, false), pie.AngleToPoint(0, false));
    for (int span : {0, 1}) {
        SCOPED_TRACE(span);
        pie.RemoveAllSegments();
        pie.AddSegment(kRed, kGreen, span, "");
        Bitmap picture = ui.host.Snapshot(pie);
        EXPECT_EQ(CountColour(picture, kRed), 0);
        EXPECT_EQ(CountColour(picture, kGreen), 0);
        // Both edge lines run from 12 o'clock to the centre.
        for (int y : {5, 25, 45}) EXPECT_EQ(picture.Pixel(50, y), RGB(0, 0, 0)) << y;
        EXPECT_EQ(picture.Pixel(75, 30), kBlue);
    }
    // A 90-degree slice after an empty one starts where the empty one ended.
    pie.RemoveAllSegments();
    pie.AddSegment(kGreen, kGreen, 0, "");
    pie.AddSegment(kRed, kRed, 90, "");
    Bitmap after = ui.host.Snapshot(pie);
    EXPECT_EQ(after.Pixel(75, 30), kRed);
    EXPECT_EQ(after.Pixel(25, 30), kBlue);
}

TEST_F(PieFixture, LegendStacksLabelledSlicesFromTheTopRight) {
    CreatePie(200, 100);
    pie.AddSegment(kRed, 0, 120, "Bad");
    pie.AddSegment(kGreen, 0, 60, "");  // no legend row
    pie.AddSegment(RGB(255, 255, 0), 0, 180, "Good");
    Bitmap picture = ui.host.Snapshot(pie);
    test::ControlHost::Save(picture, "pie-legend");
    int hl = Font("Arial", 13).Metrics().height;
    EXPECT_EQ(hl, 13);
    // Inside the sunken edges of the two swatches.
    EXPECT_EQ(picture.Pixel(200 - hl / 2, hl / 2), kRed);
    EXPECT_EQ(picture.Pixel(200 - hl / 2, hl + hl / 2), RGB(255, 255, 0));
    EXPECT_EQ(picture.Pixel(200 - hl, 0), GetSysColor(COLOR_BTNSHADOW));  // sunken edge, top left
    EXPECT_EQ(picture.Pixel(200 - hl / 2, 2 * hl + 2), GetSysColor(COLOR_BTNFACE));  // no third row
}

TEST_F(PieFixture, DraggingTurnsTheChart) {
    CreatePie(100, 100);
    pie.AddSegment(kRed, kGreen, 90, "");
    ui.host.Mouse(pie, WM_MOUSEMOVE, {10, 50});  // not dragging: nothing turns
    EXPECT_EQ(pie.StartAngle(), 0);
    ui.host.Mouse(pie, WM_LBUTTONDOWN, {60, 50});
    EXPECT_EQ(Window::GetCapture(), &pie);
    ui.host.Mouse(pie, WM_MOUSEMOVE, {45, 50});
    ui.host.Mouse(pie, WM_MOUSEMOVE, {30, 50});
    ui.host.Mouse(pie, WM_LBUTTONUP, {30, 50});
    EXPECT_EQ(pie.StartAngle(), -30);
    EXPECT_EQ(Window::GetCapture(), nullptr);
    Bitmap turned = ui.host.Snapshot(pie);
    test::ControlHost::Save(turned, "pie-dragged-30-left");
    EXPECT_EQ(turned.Pixel(40, 20), kRed);   // the slice now starts at 330 degrees
    EXPECT_EQ(turned.Pixel(80, 45), kBlue);  // and ends at 60
    pie.RemoveAllSegments();
    EXPECT_EQ(pie.StartAngle(), -30);
    EXPECT_EQ(pie.SegmentCount(), 0u);
}

TEST_F(PieFixture, DraggingRightTurnsClockwise) {
    CreatePie(100, 100);
    pie.AddSegment(kRed, kGreen, 90, "");
    ui.host.Mouse(pie, WM_LBUTTONDOWN, {20, 50});
    ui.host.Mouse(pie, WM_MOUSEMOVE, {50, 50});
    ui.host.Mouse(pie, WM_MOUSEMOVE, {110, 80});  // past the edge: the capture keeps the drag; y plays no part
    ui.host.Mouse(pie, WM_LBUTTONUP, {110, 80});
    EXPECT_EQ(pie.StartAngle(), 90);
    ui.host.Mouse(pie, WM_MOUSEMOVE, {10, 50});  // released: nothing turns
    EXPECT_EQ(pie.StartAngle(), 90);
    Bitmap turned = ui.host.Snapshot(pie);
    test::ControlHost::Save(turned, "pie-dragged-90-right");
    EXPECT_EQ(turned.Pixel(75, 70), kRed);   // the slice now covers 3 to 6 o'clock
    EXPECT_EQ(turned.Pixel(75, 30), kBlue);
    EXPECT_EQ(turned.Pixel(25, 70), kBlue);
}

}  // namespace
}  // namespace mendora

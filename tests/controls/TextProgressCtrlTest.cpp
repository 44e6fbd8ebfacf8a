#include "controls/TextProgressCtrl.h"

#include <gtest/gtest.h>

#include <map>

#include "ControlHost.h"
#include "platform/ui/DC.h"
#include "platform/ui/SystemColors.h"

namespace mendora {
namespace {

using namespace platform;

struct ProgressFixture : ::testing::Test {
    test::ControlHost ui;
    TextProgressCtrl bar;

    void CreateBar(int width, int height, std::uint32_t style = 0) {
        ASSERT_TRUE(bar.Create(kProgressClass, "", WS_CHILD | WS_VISIBLE | style, {10, 10, 10 + width, 10 + height},
                               &ui.frame, 1001));
        ui.host.Pump();
    }
};

TEST_F(ProgressFixture, MessagesBeforeTheWindowExistsStoreButDoNotPosition) {
    EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 50), -1);
    EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 0);
    EXPECT_EQ(bar.SendMessage(PBM_SETBARCOLOR, 0, RGB(1, 2, 3)), static_cast<LRESULT>(kAutomaticColour));
    EXPECT_EQ(bar.SendMessage(PBM_SETBARCOLOR, 0, RGB(4, 5, 6)), static_cast<LRESULT>(RGB(1, 2, 3)));
    EXPECT_EQ(bar.SendMessage(PBM_SETBKCOLOR, 0, 0), static_cast<LRESULT>(kAutomaticColour));
    EXPECT_EQ(bar.SendMessage(PBM_SETTEXTCOLOR, 0, 7), static_cast<LRESULT>(kAutomaticColour));
    EXPECT_EQ(bar.SendMessage(PBM_SETTEXTCOLOR, 0, 8), 7);
    EXPECT_EQ(bar.SendMessage(PBM_SETSTEP, 5), 1);
    EXPECT_EQ(bar.SendMessage(PBM_SETSTEP, 1), 5);

    EXPECT_EQ(bar.SendMessage(PBM_SETRANGE, 0, 0x00640000), 0);
    std::int32_t limits[2] = {-1, -1};
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(limits)), 100);
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 1, 0), 0);
    EXPECT_EQ(limits[0], 0);
    EXPECT_EQ(limits[1], 100);
    // Both halves are unsigned 16-bit numbers.
    bar.SendMessage(PBM_SETRANGE, 0, static_cast<LPARAM>(0xFFFF8000));
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 1, 0), 0x8000);
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 0, 0), 0xFFFF);
}

TEST_F(ProgressFixture, PositionsStepsRangesAndText) {
    CreateBar(150, 20);
    EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 40), 0);
    EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 250), 40);  // not clamped
    EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 250);
    EXPECT_EQ(bar.SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(-200)), 250);
    EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 50);
    bar.SendMessage(PBM_SETSTEP, 7);
    EXPECT_EQ(bar.SendMessage(PBM_STEPIT), 50);
    EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 57);
    EXPECT_EQ(bar.SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(-10), 1000), 0);
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 1, 0), -10);
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, 0, 0), 1000);

    bar.SetWindowText("Erasing");
    EXPECT_EQ(bar.GetWindowText(), "Erasing");
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(bar.SendMessage(WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 3);
    EXPECT_STREQ(small, "Era");
    EXPECT_EQ(bar.SendMessage(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)), 0);
    bar.SendMessage(WM_SETTEXT, 0, 0);  // a null text is empty
    EXPECT_EQ(bar.GetWindowText(), "");
}

TEST_F(ProgressFixture, RedrawsOnlyWhenTheFilledWidthChanges) {
    CreateBar(150, 20);
    bar.SendMessage(PBM_SETPOS, 40);  // 60 pixels
    int paints = bar.PaintCount();
    bar.SendMessage(PBM_SETPOS, 41);  // 61 pixels, painted at once
    EXPECT_EQ(bar.PaintCount(), paints + 1);
    bar.SendMessage(PBM_SETPOS, 41);
    EXPECT_EQ(bar.PaintCount(), paints + 1);

    bar.MoveWindow({10, 10, 160, 30});  // same size, still a resize
    ui.host.Pump();
    paints = bar.PaintCount();
    bar.SendMessage(PBM_SETPOS, 41);
    EXPECT_EQ(bar.PaintCount(), paints + 1);

    // The same text again does not invalidate.
    bar.SetWindowText("Busy");
    ui.host.Pump();
    paints = bar.PaintCount();
    bar.SetWindowText("Busy");
    ui.host.Pump();
    EXPECT_EQ(bar.PaintCount(), paints);
    // Neither does showing the text while it is shown; hiding it does.
    bar.SendMessage(PBM_SETSHOWTEXT, 1);
    ui.host.Pump();
    EXPECT_EQ(bar.PaintCount(), paints);
    bar.SendMessage(PBM_SETSHOWTEXT, 0);
    ui.host.Pump();
    EXPECT_EQ(bar.PaintCount(), paints + 1);
}

// Counts the pixels of each colour in a rectangle of the picture.
std::map<COLORREF, int> Colours(const Bitmap& picture, Rect r) {
    std::map<COLORREF, int> counts;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) ++counts[picture.Pixel(x, y)];
    return counts;
}

TEST_F(ProgressFixture, PercentageIsDrawnInTheOppositeColourOfEachPart) {
    CreateBar(60, 20);  // narrow, so that "37%" straddles the edge of the filled part
    bar.SendMessage(PBM_SETPOS, 37);
    Bitmap picture = ui.host.Snapshot(bar);
    test::ControlHost::Save(picture, "progress-37-percent");
    COLORREF bar_ = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    int edge = 60 * 37 / 100;  // 22
    auto filled = Colours(picture, {0, 0, edge, 20});
    auto rest = Colours(picture, {edge, 0, 60, 20});
    EXPECT_EQ(filled.size(), 2u);
    EXPECT_GT(filled[window], 0);  // text over the filled part
    EXPECT_GT(filled[bar_], filled[window]);
    EXPECT_EQ(rest.size(), 2u);
    EXPECT_GT(rest[bar_], 0);  // text over the rest
    EXPECT_GT(rest[window], rest[bar_]);
    EXPECT_EQ(picture.Pixel(0, 0), bar_);
    EXPECT_EQ(picture.Pixel(59, 19), window);

    // The text is the same in both parts: together they hold one "37%".
    bar.SendMessage(PBM_SETBARCOLOR, 0, RGB(0, 128, 0));
    bar.SendMessage(PBM_SETBKCOLOR, 0, RGB(255, 255, 0));
    bar.SendMessage(PBM_SETTEXTCOLOR, 0, RGB(255, 0, 0));
    picture = ui.host.Snapshot(bar);
    test::ControlHost::Save(picture, "progress-37-percent-coloured");
    auto all = Colours(picture, {0, 0, 60, 20});
    EXPECT_EQ(all.size(), 3u);
    EXPECT_EQ(all[RGB(255, 0, 0)], filled[window] + rest[bar_]);
}

// The pixels of one colour when the text alone is drawn the way the bar draws it.
std::vector<Point> TextPixels(const Bitmap& picture, COLORREF colour) {
    std::vector<Point> at;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.Pixel(x, y) == colour) at.push_back({x, y});
    return at;
}

TEST_F(ProgressFixture, StoredTextIsPaintedInPlaceOfThePercentage) {
    CreateBar(80, 20);
    bar.SendMessage(PBM_SETPOS, 37);
    // One colour for both parts, so that the text shows whole in the text colour.
    bar.SendMessage(PBM_SETBARCOLOR, 0, RGB(255, 255, 0));
    bar.SendMessage(PBM_SETBKCOLOR, 0, RGB(255, 255, 0));
    bar.SendMessage(PBM_SETTEXTCOLOR, 0, RGB(255, 0, 0));
    auto alone = [&](const std::string& text) {
        Bitmap picture(80, 20, RGB(255, 255, 0));
        DC dc(&picture, {0, 0}, {0, 0, 80, 20});
        dc.SelectObject(ui.frame.GetFont());
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(255, 0, 0));
        Rect all{0, 0, 80, 20};
        dc.DrawText(text, all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return TextPixels(picture, RGB(255, 0, 0));
    };
    EXPECT_EQ(TextPixels(ui.host.Snapshot(bar), RGB(255, 0, 0)), alone("37%"));
    bar.SetWindowText("Busy");
    Bitmap busy = ui.host.Snapshot(bar);
    test::ControlHost::Save(busy, "progress-stored-text");
    EXPECT_EQ(TextPixels(busy, RGB(255, 0, 0)), alone("Busy"));
    EXPECT_NE(alone("Busy"), alone("37%"));
    bar.SetWindowText("");  // empty: the percentage again
    EXPECT_EQ(TextPixels(ui.host.Snapshot(bar), RGB(255, 0, 0)), alone("37%"));
}

TEST_F(ProgressFixture, VerticalBarHasNoTextAndEmptyRangePaintsNothing) {
    CreateBar(20, 100, PBS_VERTICAL);
    bar.SendMessage(PBM_SETPOS, 25);
    Bitmap picture = ui.host.Snapshot(bar);
    test::ControlHost::Save(picture, "progress-vertical-25");
    COLORREF high = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    auto top = Colours(picture, {0, 0, 20, 75});
    auto bottom = Colours(picture, {0, 75, 20, 100});
    EXPECT_EQ(top.size(), 1u);
    EXPECT_EQ(top[window], 20 * 75);
    EXPECT_EQ(bottom.size(), 1u);
    EXPECT_EQ(bottom[high], 20 * 25);

    bar.SendMessage(PBM_SETRANGE32, 50, 50);
    bar.SendMessage(PBM_SETPOS, 30);
    ui.frame.Invalidate(true);  // the frame repaints beneath; the bar adds nothing
    picture = ui.host.Snapshot(bar);
    test::ControlHost::Save(picture, "progress-empty-range");
    auto empty = Colours(picture, {0, 0, 20, 100});
    EXPECT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty.begin()->first, GetSysColor(COLOR_BTNFACE));  // what lay beneath
}

}  // namespace
}  // namespace mendora

// The station's window in the test host, on virtual time: the station's side is played by
// rows fed the lines workers write, published through the link as the station publishes them.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Constants.h"
#include "platform/ui/TestUiHost.h"
#include "tools/station/window/StationWindow.h"
#include "tools/station/window/TileLayout.h"
#include "tests/station/StationWindowScene.h"

namespace mendora::station {
namespace {

using nlohmann::json;
using platform::COLORREF;

StationTexts TextsIn(std::uint16_t language) { return TextsFromTable(language); }

json Identity(const std::string& model) {
    return {{"t", "identity"},
            {"description", "Maker Disk " + model},
            {"geometry", {{"chips", 1}, {"blocks_per_chip", 1024}}}};
}
json Progress(const std::string& phase, double fraction, int bad = 0, double bytes = 0) {
    return {{"t", "progress"}, {"phase", phase}, {"fraction", fraction}, {"bad", bad}, {"written", bytes}, {"read", 0}};
}
json Repaired(int bad) {
    return {{"t", "report"}, {"verdict", "repaired"}, {"phase", "done"}, {"bad_block_count", bad}};
}

bool Red(COLORREF c) { return platform::GetRValue(c) > 150 && platform::GetGValue(c) < 80 && platform::GetBValue(c) < 80; }
bool Green(COLORREF c) { return platform::GetGValue(c) > 120 && platform::GetRValue(c) < 80; }
bool Amber(COLORREF c) {
    return platform::GetRValue(c) > 230 && platform::GetGValue(c) > 150 && platform::GetBValue(c) < 200 &&
           platform::GetGValue(c) < 240;
}
bool Neutral(COLORREF c) {
    return platform::GetRValue(c) == platform::GetGValue(c) && platform::GetGValue(c) == platform::GetBValue(c) &&
           platform::GetRValue(c) > 200;
}

// The window over rows that stand for the station's drives.
struct WindowRig {
    explicit WindowRig(std::uint16_t language = 1033) : texts(TextsIn(language)) {}

    DriveRow& Drive(const std::string& name) {
        rows.push_back(std::make_unique<DriveRow>());
        rows.back()->name = name;
        started.push_back(false);
        return *rows.back();
    }
    double Now() { return static_cast<double>(host.virtualClock().TickCount()) / 1000; }
    void Line(std::size_t drive, const json& line) {
        started[drive] = true;
        rows[drive]->Apply(line, Now());
    }
    void Publish(bool ended = false, int status = 0) {
        StationPicture picture;
        for (std::size_t i = 0; i < rows.size(); ++i)
            picture.tiles.push_back(TileStateOf(*rows[i], started[i], texts, "/maps/" + rows[i]->name + ".png", Now()));
        picture.stopping = stopping;
        picture.ended = ended;
        picture.exitStatus = status;
        link.Publish(std::move(picture));
    }
    // What the station publishes, then time passing in the window.
    void Pass(std::uint64_t milliseconds) {
        Publish();
        host.Advance(milliseconds);
    }
    void Open() {
        window = std::make_unique<StationWindow>(link, texts, static_cast<int>(rows.size()));
        ASSERT_TRUE(window->CreateModeless());
        window->ShowWindow(platform::SW_SHOW);
        host.Pump();
    }
    const TileState& Tile(std::size_t i) { return window->Tile(i).State(); }
    COLORREF Colour(std::size_t i) { return host.Snapshot(window->Tile(i)).Pixel(2, 2); }
    platform::Window& Item(int id) { return *window->GetDlgItem(id); }

    platform::TestUiHost host;
    WindowLink link;
    StationTexts texts;
    std::vector<std::unique_ptr<DriveRow>> rows;
    std::vector<bool> started;
    bool stopping = false;
    std::unique_ptr<StationWindow> window;
};

TEST(StationWindow, SixDrivesShowTheirColoursTextsAndVerdictsAsTheRepairsGo) {
    WindowRig rig;
    for (const char* name : {"D:", "E:", "F:", "G:", "H:", "I:"}) rig.Drive(name);
    rig.Publish();
    rig.Open();
    ASSERT_EQ(rig.window->TileCount(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(rig.Tile(i).phase, "ready");
        EXPECT_TRUE(Neutral(rig.Colour(i))) << i;
    }
    EXPECT_TRUE(rig.Item(StationWindow::kStartId).IsWindowEnabled());
    EXPECT_FALSE(rig.Item(StationWindow::kStopId).IsWindowEnabled());

    // Start: every drive identified, the unsupported one refused at once.
    rig.host.Click(rig.Item(StationWindow::kStartId));
    EXPECT_EQ(rig.link.TakeCommands(), std::vector<StationCommand>{StationCommand::Start});
    for (std::size_t i = 0; i < 5; ++i) rig.Line(i, Identity(i < 2 ? "QF90 128MB" : "QF70 64MB"));
    rig.Line(5, Identity("QF50 64MB"));
    rig.Line(5, {{"t", "report"}, {"verdict", "refused"}, {"phase", "identify"},
                 {"reason", "The Recovery Utility do not support this device."}});
    for (std::size_t i = 0; i < 5; ++i) rig.Line(i, Progress("erase", 1.0));
    for (std::size_t i = 0; i < 5; ++i) rig.Line(i, Progress("pattern write", 0.5, 1, 8e6));
    rig.Pass(1000);
    EXPECT_EQ(rig.Tile(0).model, "QF90 128MB");
    EXPECT_EQ(rig.Tile(0).phase, "pattern write");
    EXPECT_EQ(rig.Tile(0).progressText.substr(0, 4), "25% ");
    EXPECT_EQ(rig.Tile(0).badText, "Bad Blocks: 1");
    EXPECT_EQ(rig.Tile(0).verdict, "");
    EXPECT_TRUE(Neutral(rig.Colour(0)));
    EXPECT_EQ(rig.Tile(5).verdict, "refused");
    EXPECT_EQ(rig.Tile(5).reason, "The Recovery Utility do not support this device.");
    EXPECT_TRUE(Red(rig.Colour(5)));
    EXPECT_TRUE(rig.Item(StationWindow::kStopId).IsWindowEnabled());
    EXPECT_FALSE(rig.Item(StationWindow::kStartId).IsWindowEnabled());

    // H: pulled out mid-pattern: its worker fails, the station marks it removed.
    rig.Line(4, {{"t", "report"}, {"verdict", "failed"}, {"phase", "pattern write"},
                 {"reason", "revert: no answer"}, {"block_reached", {{"chip", 0}, {"block", 412}}}});
    rig.rows[4]->removed = true;
    // The QF70 with firmware asks for its re-plug; the one without goes on to the library.
    for (std::size_t i = 0; i < 4; ++i) rig.Line(i, Progress("blank check", 1.0, 3));
    rig.Line(2, Progress("re-plug now", 0));
    rig.Line(3, Progress("library", 0.2, 3));
    rig.Pass(250);
    EXPECT_EQ(rig.Tile(4).phase, "removed");
    EXPECT_EQ(rig.Tile(4).verdict, "failed");
    EXPECT_EQ(rig.Tile(4).reason, "revert: no answer (at chip 0 block 412)");
    EXPECT_TRUE(Red(rig.Colour(4)));
    EXPECT_TRUE(rig.Item(StationWindow::kClearId).IsWindowEnabled());
    EXPECT_EQ(rig.Tile(2).phase, "Re-plug now");
    EXPECT_EQ(rig.Tile(2).tone, TileTone::Waiting);
    EXPECT_EQ(rig.Tile(3).phase, "library");
    // The waiting tile blinks between two amber shades, half a second each.
    const COLORREF first = rig.Colour(2);
    rig.Pass(500);
    const COLORREF second = rig.Colour(2);
    EXPECT_TRUE(Amber(first) || Amber(second));
    EXPECT_NE(first, second);
    rig.Pass(500);
    EXPECT_EQ(rig.Colour(2), first);

    // Re-plugged: every drive that went on is repaired, green, with its figures.
    rig.Line(2, Progress("library", 0.5, 3));
    for (std::size_t i = 0; i < 4; ++i) rig.Line(i, Repaired(3));
    rig.Pass(250);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rig.Tile(i).verdict, "repaired") << i;
        EXPECT_EQ(rig.Tile(i).progressText.substr(0, 5), "100% ") << i;
        EXPECT_EQ(rig.Tile(i).badDegrees, 1) << i;  // 3 of 1024 blocks
        EXPECT_TRUE(Green(rig.Colour(i))) << i;
    }
    EXPECT_FALSE(rig.Item(StationWindow::kStopId).IsWindowEnabled());

    // A finished tile opens its map; the refused one, which drew none, only says why.
    rig.host.Click(rig.window->Tile(0));
    ASSERT_EQ(rig.host.opened, std::vector<std::string>{"/maps/D:.png"});
    rig.host.Click(rig.window->Tile(5));
    EXPECT_EQ(rig.host.opened.size(), 1u);
    EXPECT_NE(rig.window->GetDlgItemText(StationWindow::kDetailsId).find("do not support"), std::string::npos);

    // Clear removed: the station drops the tile, the window follows.
    rig.host.Click(rig.Item(StationWindow::kClearId));
    EXPECT_EQ(rig.link.TakeCommands(), std::vector<StationCommand>{StationCommand::Clear});
    rig.rows.erase(rig.rows.begin() + 4), rig.started.erase(rig.started.begin() + 4);
    rig.Pass(250);
    EXPECT_EQ(rig.window->TileCount(), 5u);
    EXPECT_EQ(rig.Tile(4).name, "I:");
}

TEST(StationWindow, StopMidRunAndCloseWaitForTheStationToEnd) {
    WindowRig rig;
    rig.Drive("D:"), rig.Drive("E:");
    rig.Line(0, Identity("QF90 128MB")), rig.Line(1, Identity("QF90 128MB"));
    rig.Line(0, Progress("verify", 0.3)), rig.Line(1, Progress("library", 0.3));
    rig.Publish();
    rig.Open();
    rig.host.Click(rig.Item(StationWindow::kStopId));
    EXPECT_EQ(rig.link.TakeCommands(), std::vector<StationCommand>{StationCommand::Stop});
    EXPECT_FALSE(rig.Item(StationWindow::kStopId).IsWindowEnabled());
    EXPECT_FALSE(rig.Item(StationWindow::kAutoStartId).IsWindowEnabled());
    EXPECT_EQ(rig.window->GetDlgItemText(StationWindow::kDetailsId).rfind("Stopping:", 0), 0u);

    // The revert stops at its block; the library phase is let finish.
    rig.stopping = true;
    rig.Line(0, {{"t", "report"}, {"verdict", "interrupted"}, {"phase", "verify"},
                 {"block_reached", {{"chip", 0}, {"block", 300}}}});
    rig.Pass(250);
    EXPECT_EQ(rig.Tile(0).verdict, "interrupted");
    EXPECT_EQ(rig.Tile(0).reason, "at chip 0 block 300");
    EXPECT_EQ(rig.Tile(1).phase, "library");

    // Closing while the library works: the window stays until the station has ended.
    rig.window->SendMessage(platform::WM_CLOSE);
    EXPECT_TRUE(rig.link.Closing());
    EXPECT_FALSE(rig.window->Ended());
    EXPECT_NE(rig.window->GetDlgItemText(StationWindow::kDetailsId).find("closes once every drive"), std::string::npos);
    rig.Line(1, Repaired(0));
    rig.Pass(250);
    EXPECT_FALSE(rig.window->Ended());
    rig.Publish(true, 1);
    rig.host.Advance(250);
    EXPECT_TRUE(rig.window->Ended());
}

TEST(StationWindow, AutoStartReachesTheStationAndAnArrivingDriveGetsItsTile) {
    WindowRig rig;
    rig.Drive("D:");
    rig.Publish();
    rig.Open();
    EXPECT_FALSE(rig.link.AutoStart());
    rig.host.Click(rig.Item(StationWindow::kAutoStartId));
    EXPECT_TRUE(rig.link.AutoStart());
    // The station saw a drive arrive and started it.
    rig.Drive("E:");
    rig.Line(1, Progress("identify", 0));
    rig.Pass(250);
    ASSERT_EQ(rig.window->TileCount(), 2u);
    EXPECT_EQ(rig.Tile(1).name, "E:");
    EXPECT_EQ(rig.Tile(1).tone, TileTone::Working);
    EXPECT_EQ(rig.Tile(1).phase, "identify");
    rig.host.Click(rig.Item(StationWindow::kAutoStartId));
    EXPECT_FALSE(rig.link.AutoStart());
}

TEST(StationWindow, OnlyTilesThatChangedAPixelAreRepainted) {
    // Everything at one moment, so that no time left moves on its own.
    WindowRig rig;
    rig.Drive("D:"), rig.Drive("E:");
    rig.Line(0, Identity("QF90 128MB")), rig.Line(1, Identity("QF90 128MB"));
    rig.Line(0, Progress("pattern write", 0.10)), rig.Line(1, Progress("pattern write", 0.10));
    rig.Publish();
    rig.Open();
    auto publishNow = [&] {
        rig.Publish();
        rig.window->Refresh();
        rig.host.Pump();
    };
    const int d = rig.window->Tile(0).Repaints(), e = rig.window->Tile(1).Repaints();
    publishNow();  // the same picture again: nothing is drawn
    EXPECT_EQ(rig.window->Tile(0).Repaints(), d);
    EXPECT_EQ(rig.window->Tile(1).Repaints(), e);
    // D: a step too small to move the bar or its text; E: a step that moves both.
    rig.Line(0, Progress("pattern write", 0.101));
    rig.Line(1, Progress("pattern write", 0.60));
    publishNow();
    EXPECT_EQ(rig.window->Tile(0).Repaints(), d);
    EXPECT_GT(rig.window->Tile(1).Repaints(), e);
    EXPECT_LE(rig.window->Tile(1).Repaints(), e + 2);  // the bar alone, not the whole tile
}

TEST(StationWindow, TextsComeInTheUsersLanguage) {
    WindowRig traditional(1028), simplified(2052);
    for (WindowRig* rig : {&traditional, &simplified}) {
        rig->Drive("D:");
        rig->Line(0, Progress("re-plug now", 0));
        rig->Publish();
        rig->Open();
    }
    EXPECT_EQ(traditional.window->GetDlgItemText(StationWindow::kStartId), "開始");
    EXPECT_EQ(traditional.window->GetWindowText(), "Mendora 多埠修復站");
    EXPECT_EQ(traditional.Tile(0).phase, "請立即重新插拔");
    EXPECT_EQ(simplified.window->GetDlgItemText(StationWindow::kAutoStartId), "自动开始");
    EXPECT_EQ(simplified.Tile(0).phase, "请立即重新插拔");
}

// A stick to retire is still a repaired (green) tile, with its own verdict; a drive that
// failed its certify is red with the certify's verdict as the reason; the certify and done
// phases each have their own words.
TEST(StationWindow, RetireAndCertifyVerdictsShowInTheTile) {
    WindowRig rig;
    rig.Drive("D:"), rig.Drive("E:"), rig.Drive("F:");
    rig.Line(0, {{"t", "report"}, {"verdict", "repaired, retire"}, {"phase", "done"}, {"bad_block_count", 3}});
    json fake = Repaired(0);
    fake["certify"] = {{"verdict", "fake capacity"}};
    rig.Line(1, fake);
    rig.Line(2, Progress("certify", 0.5));
    rig.Publish();
    rig.Open();
    EXPECT_EQ(rig.Tile(0).tone, TileTone::Repaired);
    EXPECT_EQ(rig.Tile(0).verdict, "repaired, retire");
    EXPECT_EQ(rig.Tile(1).tone, TileTone::Failed);
    EXPECT_EQ(rig.Tile(1).verdict, "repaired, fake capacity");
    EXPECT_EQ(rig.Tile(1).reason, "fake capacity");
    EXPECT_EQ(rig.Tile(2).phase, "certify");
    EXPECT_EQ(TextsIn(1033).phases[PhaseIndex(Phase::Done)], "done");
    EXPECT_EQ(TextsIn(1028).phases[PhaseIndex(Phase::Certify)], "容量驗證");
}

TEST(TileGrid, FitsTheAreaAndGrowsWithTheDrives) {
    const platform::Rect area{0, 40, 1000, 660};
    for (int count : {1, 6, 7, 32}) {
        const auto tiles = TileGrid(area, count);
        ASSERT_EQ(tiles.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            EXPECT_GE(tiles[i].Width(), kMinimumTile.cx);
            EXPECT_GE(tiles[i].Height(), kMinimumTile.cy);
            EXPECT_LE(tiles[i].right, area.right) << count;
            EXPECT_LE(tiles[i].bottom, area.bottom) << count;
            for (std::size_t j = 0; j < i; ++j) EXPECT_TRUE(tiles[i].Intersect(tiles[j]).IsEmpty());
        }
    }
    EXPECT_GT(TileGrid(area, 1)[0].Width(), TileGrid(area, 32)[0].Width());
}

}  // namespace
}  // namespace mendora::station

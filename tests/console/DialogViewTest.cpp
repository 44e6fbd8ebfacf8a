// The dialog's controls, the view it gives the repair run, the re-plug popup, the
// confirmation and closing.
#include <gtest/gtest.h>

#include "controls/PieChartCtrl.h"
#include "platform/ui/WindowNode.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

using namespace platform;

TEST(DialogView, ControlsCarryTheirTextsAndHiddenOnesStayHidden) {
    DialogRig rig;
    std::map<int, std::string> texts;
    std::map<int, bool> visible;
    std::string caption;
    bool fastChecked = false, completeChecked = true;
    rig.Run([&](RepairDialog& d) {
        caption = d.GetWindowText();
        for (const auto& child : d.Node()->children) {
            texts[child->id] = child->text;
            visible[child->id] = child->IsShown();
        }
        fastChecked = d.IsDlgButtonChecked(1004) == BST_CHECKED;
        completeChecked = d.CompleteChecked();
        d.EndDialog(0);
    });
    EXPECT_EQ(caption, "Mendora");
    EXPECT_EQ(ApplicationName(), "Mendora");
    EXPECT_EQ(texts[1], "Update");
    EXPECT_EQ(texts[2], "Close");
    EXPECT_EQ(texts[1002], "Device Information");
    EXPECT_EQ(texts[1003], "Repair Option");
    EXPECT_EQ(texts[1004], "Fast");
    EXPECT_EQ(texts[1005], "Complete(Revert)");
    EXPECT_EQ(texts[1006], "Bad Blocks : 0.00 %");
    EXPECT_TRUE(fastChecked);
    EXPECT_FALSE(completeChecked);
    std::map<int, bool> expected = {{1, true},     {2, true},     {1000, false}, {1001, true},  {1002, true},
                                    {1003, false}, {1004, false}, {1005, false}, {1006, false}, {1007, true},
                                    {1008, false}, {1009, false}, {1010, false}, {1011, true}};
    EXPECT_EQ(visible, expected);
}

TEST(DialogView, TheRunsViewReachesTheControls) {
    DialogRig rig;
    rig.Run([&](RepairDialog& d) {
        d.SetStatusText("Status : Ready\nScanned Blocks : 0\nBad Blocks : 0");
        EXPECT_EQ(d.GetDlgItemText(1011), "Status : Ready\nScanned Blocks : 0\nBad Blocks : 0");
        d.ShowStatusText(false);
        EXPECT_FALSE(d.GetDlgItem(1011)->IsWindowVisible());
        d.ShowStatusText(true);
        EXPECT_TRUE(d.GetDlgItem(1011)->IsWindowVisible());
        d.SetProgress(42);
        EXPECT_EQ(d.GetDlgItem(1001)->SendMessage(PBM_GETPOS), 42);
        d.DisableStartButton();
        EXPECT_FALSE(d.GetDlgItem(1)->IsWindowEnabled());

        d.ShowBadBlocks(36, "Bad Blocks : 10.00 %");
        auto* pie = dynamic_cast<PieChartCtrl*>(d.GetDlgItem(1000));
        ASSERT_NE(pie, nullptr);
        EXPECT_EQ(pie->SegmentCount(), 1u);
        d.ShowBadBlocks(72, "Bad Blocks : 20.00 %");
        EXPECT_EQ(pie->SegmentCount(), 1u);
        EXPECT_EQ(d.GetDlgItemText(1006), "Bad Blocks : 20.00 %");
        EXPECT_FALSE(d.GetDlgItem(1000)->IsWindowVisible());

        EXPECT_EQ(d.Message("Repair fail", MessageButtons::Ok), kIdOk);
        d.End(2);
    });
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    EXPECT_EQ(rig.fake.messages.shown[0].caption, "Mendora");
}

TEST(DialogView, TheReplugPopupIsTopmostCentredTextAndOnlyHidden) {
    DialogRig rig;
    rig.Run([&](RepairDialog& d) {
        EXPECT_EQ(d.Popup(), nullptr);
        d.ShowReplugPopup();
        ReplugPopup* popup = d.Popup();
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(popup->IsWindowVisible());
        EXPECT_TRUE(popup->IsTopmost());
        EXPECT_FALSE(popup->Node()->activateOnShow);
        EXPECT_EQ(popup->GetParent(), nullptr);  // on the desktop
        EXPECT_EQ(popup->GetDlgItemText(1012), "Please re-plug device to finish the job.");
        EXPECT_EQ(popup->GetStyle() & WS_CAPTION, 0u);
        EXPECT_EQ(popup->GetDlgItem(1012)->GetStyle() & SS_TYPEMASK, SS_CENTER);
        EXPECT_EQ(popup->GetWindowRect(), popup->MapDialogRect(0, 0, 187, 42));
        EXPECT_EQ(popup->GetDlgItem(1012)->GetWindowRect(), popup->MapDialogRect(14, 15, 160, 11));
        d.HideReplugPopup();
        EXPECT_FALSE(popup->IsWindowVisible());
        EXPECT_TRUE(popup->Exists());
        d.ShowReplugPopup();
        EXPECT_EQ(d.Popup(), popup);
        EXPECT_TRUE(popup->IsWindowVisible());
        EXPECT_TRUE(d.IsWindowVisible());
        d.EndDialog(0);
    });
}

TEST(DialogView, CancelAtTheConfirmationStartsNothing) {
    DialogRig rig;
    rig.fake.messages.answers = {kIdCancel};
    bool stillEnabled = false, stillRunning = false;
    rig.Run([&](RepairDialog& d) {
        rig.host.PressKey(d, VK_RETURN);
        rig.host.Advance(2000);
        stillEnabled = d.GetDlgItem(1)->IsWindowEnabled();
        stillRunning = !d.Ended();
        d.EndDialog(0);
    });
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    EXPECT_EQ(rig.fake.messages.shown[0].text, "All Data will be deleted. Continue ?");
    EXPECT_EQ(rig.fake.messages.shown[0].caption, "Mendora");
    EXPECT_EQ(rig.fake.messages.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(stillEnabled);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(SharedGeometry().Progress.load(), 0u);
}

TEST(DialogView, CloseEscapeAndTheWindowsCloseEndWithTwo) {
    for (int way = 0; way < 3; ++way) {
        DialogRig rig;
        int code = rig.Run([&](RepairDialog& d) {
            if (way == 0) d.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
            if (way == 1) rig.host.PressKey(d, VK_ESCAPE);
            if (way == 2) d.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(code, 2) << way;
        EXPECT_TRUE(rig.fake.messages.shown.empty());
    }
}

TEST(DialogView, TheLibraryIsUnloadedWithTheDialog) {
    DialogRig rig;
    rig.Run([](RepairDialog& d) { d.EndDialog(0); });
    EXPECT_EQ(rig.fake.modules.unloads.load(), 0);
    rig.dialog.reset();
    EXPECT_EQ(rig.fake.modules.unloads.load(), 1);
}

TEST(DialogView, DeviceChangesFromAnotherThreadArriveOnTheDialogThread) {
    DialogRig rig;
    rig.Run([&](RepairDialog& d) {
        // Posted from the watcher's thread, delivered by the dialog's loop: nothing races.
        rig.changes.Fire(DBT_DEVICEREMOVECOMPLETE);
        rig.changes.Fire(DBT_DEVICEARRIVAL);
        rig.changes.Fire(0x0007);
        rig.host.Pump();
        EXPECT_EQ(d.SendMessage(WM_DEVICECHANGE, 0x0007), 1);
        EXPECT_EQ(d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL), 1);
        d.EndDialog(0);
    });
    EXPECT_EQ(rig.changes.stops, 1);
}

TEST(DialogView, TheRevertsBoxesAreShownOnTheDialogThread) {
    DialogRig rig;
    std::atomic<int> answer{0};
    rig.Run([&](RepairDialog& d) {
        std::thread worker([&] { answer = d.WorkerMessages().MessageBox("Can not open the handle.", "Error",
                                                                         MessageButtons::Ok); });
        while (answer == 0) rig.host.Pump();
        worker.join();
        d.EndDialog(0);
    });
    EXPECT_EQ(answer.load(), kIdOk);
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    EXPECT_EQ(rig.fake.messages.shown[0].text, "Can not open the handle.");
    EXPECT_EQ(rig.fake.messages.shown[0].caption, "Error");
}

TEST(DialogView, MinimisedItPaintsItsIconAndDragsIt) {
    DialogRig rig;
    rig.Run([&](RepairDialog& d) {
        const auto* icon = reinterpret_cast<const Bitmap*>(d.SendMessage(WM_QUERYDRAGICON));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->Width(), 32);
        EXPECT_EQ(reinterpret_cast<const Bitmap*>(d.SendMessage(WM_GETICON, ICON_BIG)), icon);
        EXPECT_EQ(reinterpret_cast<const Bitmap*>(d.SendMessage(WM_GETICON, ICON_SMALL)), icon);
        d.Node()->iconic = true;
        d.Invalidate(true);
        Bitmap shot = rig.host.Snapshot(d);
        Rect client = d.GetClientRect();
        int x = (client.Width() - 32 + 1) / 2, y = (client.Height() - 32 + 1) / 2;
        for (int dy = 0; dy < 32; dy += 7)
            for (int dx = 0; dx < 32; dx += 5) EXPECT_EQ(shot.Pixel(x + dx, y + dy), icon->Pixel(dx, dy));
        d.Node()->iconic = false;
        d.EndDialog(0);
    });
}

}  // namespace
}  // namespace mendora::testing

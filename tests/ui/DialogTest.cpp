#include "platform/ui/Dialog.h"

#include <gtest/gtest.h>

#include "platform/ui/TestUiHost.h"

namespace mendora::platform {
namespace {

DialogTemplate TwoButtons() {
    DialogTemplate t;
    t.caption = "Mendrix";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.cx = 179;
    t.cy = 129;
    t.pointSize = 9;
    t.items = {
        {kButtonClass, 1, "Repair", 21, 110, 50, 14, BS_DEFPUSHBUTTON | WS_VISIBLE},
        {kButtonClass, 2, "Close", 95, 110, 50, 14, BS_PUSHBUTTON | WS_VISIBLE},
        {kButtonClass, 1004, "Fast", 119, 75, 34, 11, BS_AUTORADIOBUTTON | WS_VISIBLE | WS_GROUP},
        {kButtonClass, 1005, "Complete", 109, 90, 67, 11, BS_AUTORADIOBUTTON | WS_VISIBLE},
        {kStaticClass, 1007, "", 29, 17, 116, 34, SS_LEFT | WS_VISIBLE},
    };
    return t;
}

// Records what the dialog saw.
class ProbeDialog : public Dialog {
public:
    ProbeDialog() : Dialog(TwoButtons()) {
        OnMessage(WM_TIMER, [this](WPARAM id, LPARAM) -> LRESULT {
            ticks.push_back(static_cast<int>(id));
            return 0;
        });
    }
    std::function<void(ProbeDialog&)> onInit;
    int started = 0;
    std::vector<int> ticks;
    std::string info = "Device\n\nFW Ver:NO FIRMWARE";

protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        if (onInit) onInit(*this);
        return true;
    }
    void DoDataExchange(DataExchange& dx) override { dx.Text(1007, info); }
    // The start button is IDOK: count the presses and end at the third.
    void OnOK() override {
        if (++started == 3) Dialog::OnOK();
    }
};

TEST(Dialog, BuildsFromTemplateInDialogUnitsAndExchangesData) {
    TestUiHost host;
    ProbeDialog dialog;
    Rect close, client;
    dialog.onInit = [&](ProbeDialog& d) {
        close = d.GetDlgItem(2)->GetWindowRect();
        client = d.GetClientRect();
        EXPECT_EQ(d.GetDlgItemText(1007), "Device\n\nFW Ver:NO FIRMWARE");
        EXPECT_EQ(d.GetDlgItem(1)->GetFont(), d.DialogFont());
        EXPECT_EQ(d.GetDlgItem(999), nullptr);
        d.SetDlgItemText(1007, "changed");
    };
    host.Then([&] { host.PressKey(dialog, VK_ESCAPE); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_FALSE(dialog.Exists());
    EXPECT_EQ(dialog.info, "Device\n\nFW Ver:NO FIRMWARE");  // cancel does not save

    Font font("Liberation Sans", PointsToPixelHeight(9));
    int baseX = font.Metrics().averageWidth, baseY = font.Metrics().height;
    EXPECT_EQ(close.left, (95 * baseX + 2) / 4);
    EXPECT_EQ(close.top, (110 * baseY + 4) / 8);
    EXPECT_EQ(client.Width(), (179 * baseX + 2) / 4);
    EXPECT_EQ(client.Height(), (129 * baseY + 4) / 8);
}

TEST(Dialog, EnterPressesTheDefaultButtonAndOkSavesData) {
    TestUiHost host;
    ProbeDialog dialog;
    host.Then([&] { host.PressKey(dialog, VK_RETURN); });
    host.Then([&] { host.Click(*dialog.GetDlgItem(1)); });
    host.Then([&] { dialog.GetDlgItem(1)->EnableWindow(false); });
    host.Then([&] { host.PressKey(dialog, VK_RETURN); });  // disabled: nothing
    host.Then([&] {
        dialog.SetDlgItemText(1007, "saved");
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.started, 3);
    EXPECT_EQ(dialog.info, "saved");
    EXPECT_FALSE(host.Stalled());
}

TEST(Dialog, RadioButtonsTimersAndStall) {
    TestUiHost host;
    ProbeDialog dialog;
    std::vector<int> checks;
    dialog.onInit = [](ProbeDialog& d) {
        d.CheckRadioButton(1004, 1005, 1004);
        d.SetTimer(2, 500);
        d.SetTimer(3, 100);
    };
    host.Then([&] {
        host.Click(*dialog.GetDlgItem(1005));
        checks = {dialog.IsDlgButtonChecked(1004), dialog.IsDlgButtonChecked(1005)};
    });
    host.Then([&] { host.Advance(1000); });
    host.Then([&] {
        dialog.KillTimer(2);
        dialog.KillTimer(3);
    });
    // Nothing is left to happen: the loop ends the dialog instead of hanging.
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(host.Stalled());
    EXPECT_EQ(checks, (std::vector<int>{0, 1}));
    EXPECT_EQ(std::count(dialog.ticks.begin(), dialog.ticks.end(), 2), 2);
    EXPECT_EQ(std::count(dialog.ticks.begin(), dialog.ticks.end(), 3), 10);
    EXPECT_EQ(host.clock().TickCount(), 1000u);
}

TEST(Dialog, EndingDuringInitialisationNeverShowsAndUnknownClassFails) {
    TestUiHost host;
    ProbeDialog dialog;
    bool visibleAtBox = true;
    dialog.onInit = [&](ProbeDialog& d) {
        d.ShowWindow(SW_HIDE);
        host.MessageBox("Device not found, please insert device", "Mendora", MessageButtons::Ok);
        visibleAtBox = d.IsWindowVisible();
        d.EndDialog(2);
    };
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_FALSE(visibleAtBox);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].caption, "Mendora");

    DialogTemplate broken = TwoButtons();
    broken.items.push_back({"NO_SUCH_CLASS", 9, "", 0, 0, 10, 10, WS_VISIBLE});
    Dialog bad(broken);
    EXPECT_EQ(bad.DoModal(), -1);
    EXPECT_FALSE(bad.Exists());
}

TEST(Dialog, SubclassedControlGetsItsMessagesFirst) {
    TestUiHost host;
    struct Counting : Window {
        Counting() {
            OnMessage(WM_SETTEXT, [this](WPARAM w, LPARAM l) {
                ++texts;
                return Default(WM_SETTEXT, w, l);
            });
        }
        int texts = 0;
    } status;
    ProbeDialog dialog;
    dialog.onInit = [&](ProbeDialog& d) {
        EXPECT_TRUE(d.SubclassDlgItem(1007, status));
        EXPECT_FALSE(d.SubclassDlgItem(1007, status));  // once only
        status.SetWindowText("Revert");
        EXPECT_EQ(d.GetDlgItemText(1007), "Revert");
        d.EndDialog(2);
    };
    dialog.DoModal();
    EXPECT_EQ(status.texts, 1);
    EXPECT_FALSE(status.Exists());  // gone with the dialog
}

TEST(TestHost, ScriptedMessageBoxAnswersAndFatalExit) {
    TestUiHost host;
    host.answers = {kIdCancel};
    EXPECT_EQ(host.MessageBox("All Data will be deleted. Continue ?", "Mendora", MessageButtons::OkCancel), kIdCancel);
    EXPECT_EQ(host.MessageBox("Repair fail", "Mendora", MessageButtons::Ok), kIdOk);
    EXPECT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_THROW(host.FatalExit("gone"), TestFatalExit);
    EXPECT_EQ(UiHost::Current(), &host);
}

}  // namespace
}  // namespace mendora::platform

// Modeless dialogs, topmost windows and how the terminal shows a popup.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/ui/Dialog.h"
#include "platform/ui/TestUiHost.h"
#include "platform/ui/WindowNode.h"
#include "platform/ui/tty/TtyUiHost.h"

namespace mendora::platform {
namespace {

DialogTemplate Popup(std::uint32_t extraStyle = 0) {
    DialogTemplate t;
    t.style = WS_POPUP | DS_MODALFRAME | extraStyle;
    t.cx = 187;
    t.cy = 42;
    t.items = {{kStaticClass, 1012, "Please re-plug device to finish the job.", 14, 15, 160, 11,
                SS_CENTER | WS_VISIBLE}};
    return t;
}

struct CountingInit : Dialog {
    explicit CountingInit(DialogTemplate t) : Dialog(std::move(t)) {}
    bool OnInitDialog() override {
        ++inits;
        return Dialog::OnInitDialog();
    }
    int inits = 0;
};

class NotingHost : public TestUiHost {
public:
    void TopmostChanged(WindowNode&) override { ++topmostCalls; }
    void WindowShown(WindowNode& root, bool shown) override {
        if (shown) activated.push_back(root.activateOnShow);
    }
    int topmostCalls = 0;
    std::vector<bool> activated;
};

TEST(ModelessDialog, CreatesInitialisesAndShowsOnlyWhenTheTemplateSaysSo) {
    NotingHost host;
    CountingInit hidden(Popup());
    ASSERT_TRUE(hidden.CreateModeless());
    EXPECT_EQ(hidden.inits, 1);
    EXPECT_FALSE(hidden.IsWindowVisible());
    EXPECT_FALSE(hidden.CreateModeless());  // once
    EXPECT_EQ(hidden.GetParent(), nullptr);

    CountingInit shown(Popup(WS_VISIBLE));
    ASSERT_TRUE(shown.CreateModeless());
    EXPECT_TRUE(shown.IsWindowVisible());
    EXPECT_EQ(host.activated, std::vector<bool>{true});
}

TEST(ModelessDialog, TopmostKeepsPlaceAndSizeAndShowsWithoutFocus) {
    NotingHost host;
    CountingInit popup(Popup());
    ASSERT_TRUE(popup.CreateModeless());
    Rect before = popup.GetWindowRect();
    popup.SetTopmost();
    popup.SetTopmost();
    EXPECT_TRUE(popup.IsTopmost());
    EXPECT_EQ(host.topmostCalls, 1);
    popup.ShowWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(popup.GetWindowRect(), before);
    EXPECT_EQ(host.activated, std::vector<bool>{false});
    popup.ShowWindow(SW_HIDE);
    EXPECT_TRUE(popup.Exists());
    popup.GetDlgItem(1012)->SetTopmost();  // children are never topmost
    EXPECT_FALSE(popup.GetDlgItem(1012)->IsTopmost());
}

TEST(ModelessDialog, TheTerminalPrintsAShownPopupsTexts) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    {
        TtyUiHost host(in, out, false, false);
        CountingInit popup(Popup());
        ASSERT_TRUE(popup.CreateModeless());
        popup.SetTopmost();
        popup.ShowWindow(SW_SHOWNOACTIVATE);
    }
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    EXPECT_EQ(text, "** Please re-plug device to finish the job. **\n");
    std::fclose(in);
    std::fclose(out);
}

}  // namespace
}  // namespace mendora::platform

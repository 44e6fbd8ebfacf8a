#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/WindowActivation.h"
#include "platform/ui/qt/QtUiHost.h"
#include "platform/ui/tty/TtyUiHost.h"

namespace mendora::platform {
namespace {

DialogTemplate Small() {
    DialogTemplate t;
    t.caption = "Mendrix";
    t.cx = 120;
    t.cy = 60;
    t.items = {
        {kStaticClass, 1011, "Status : Idle", 5, 5, 110, 10, WS_VISIBLE},
        {kProgressClass, 1001, "", 5, 20, 110, 10, WS_VISIBLE | WS_BORDER},
        {kButtonClass, 1, "Repair", 5, 40, 50, 14, BS_DEFPUSHBUTTON | WS_VISIBLE},
        {kButtonClass, 2, "Close", 65, 40, 50, 14, WS_VISIBLE},
    };
    return t;
}

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    return text;
}

TEST(TtyHost, AssumeYesPressesTheDefaultButtonOnceAndAnswersOk) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    TtyUiHost host(in, out, false, true);
    struct Counting : Dialog {
        Counting() : Dialog(Small()) {
            OnMessage(WM_TIMER, [this](WPARAM, LPARAM) -> LRESULT {
                KillTimer(1);
                return 0;
            });
        }
        int presses = 0;
        void OnOK() override {
            ++presses;
            SetDlgItemText(1011, "Status : Running");
            SetTimer(1, 10);
        }
    } dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // nothing ends it: after the timer is gone it is cancelled
    EXPECT_EQ(dialog.presses, 1);
    EXPECT_EQ(host.MessageBox("All Data will be deleted. Continue ?", "Mendora", MessageButtons::OkCancel), kIdOk);
    std::string text = ReadAll(out);
    EXPECT_NE(text.find("== Mendrix =="), std::string::npos);
    EXPECT_NE(text.find("<Repair> (Enter)"), std::string::npos);
    EXPECT_NE(text.find("Status : Running"), std::string::npos);
    EXPECT_NE(text.find("[..............................] 0%"), std::string::npos);
    EXPECT_NE(text.find("[Mendora] All Data will be deleted. Continue ?"), std::string::npos);
    std::fclose(in);
    std::fclose(out);
}

TEST(QtHost, ShowsTheDialogOffscreenAndGrabsWhatItShows) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QtUiHost host;
    std::string path = std::string(MENDORA_TEST_OUTPUT) + "/ui/qt-dialog.png";
    struct Grabbing : Dialog {
        Grabbing(QtUiHost& host, std::string path) : Dialog(Small()) {
            OnMessage(WM_TIMER, [this, &host, path](WPARAM, LPARAM) -> LRESULT {
                KillTimer(1);
                GetDlgItem(1001)->SendMessage(PBM_SETPOS, 50);
                UpdateWindow();
                grabbed = host.Grab(*this, path);
                // A second launcher asks for the shown window by its title.
                auto asked = std::async(std::launch::async, [] { return RequestWindowActivation("Mendrix"); });
                while (asked.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) host.WaitAndDispatch();
                activatedFromOutside = asked.get();
                EndDialog(IDOK);
                return 0;
            });
        }
        bool OnInitDialog() override {
            SetTimer(1, 20);
            return true;
        }
        bool grabbed = false;
        bool activatedFromOutside = false;
    } dialog(host, path);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_TRUE(dialog.grabbed);
    EXPECT_TRUE(dialog.activatedFromOutside);
    QImage picture(QString::fromStdString(path));
    Rect size = dialog.MapDialogRect(0, 0, 120, 60);
    EXPECT_EQ(picture.width(), size.Width());
    EXPECT_EQ(picture.height(), size.Height());
    Rect bar = dialog.MapDialogRect(5, 20, 110, 10);
    QRgb left = picture.pixel(bar.left + 3, bar.top + 3);   // filled: the highlight colour
    QRgb right = picture.pixel(bar.right - 3, bar.top + 3);  // the rest: the window colour
    EXPECT_EQ(left, qRgb(10, 36, 106));
    EXPECT_EQ(right, qRgb(255, 255, 255));
}

}  // namespace
}  // namespace mendora::platform

namespace mendora::platform {
namespace {

// The text Qt puts on a message box's button, in the language Qt was given.
std::string QtButtonText(const char* text) {
    return QCoreApplication::translate("QPlatformTheme", text).toStdString();
}

TEST(QtHost, MessageBoxButtonsSpeakTheChosenLanguage) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("LC_ALL"), unsetenv("LC_MESSAGES");
    std::string traditional, simplified, english;
    setenv("LANG", "zh_TW.UTF-8", 1);
    {
        QtUiHost host;
        traditional = QtButtonText("OK") + " " + QtButtonText("Cancel");
    }
    setenv("LANG", "zh_CN.UTF-8", 1);
    {
        QtUiHost host;
        simplified = QtButtonText("OK") + " " + QtButtonText("Cancel");
    }
    setenv("LANG", "C", 1);
    {
        QtUiHost host;
        english = QtButtonText("Cancel");
    }
    EXPECT_EQ(traditional, "確定 取消");
    EXPECT_EQ(simplified, "确定 取消");
    EXPECT_EQ(QtButtonText("Cancel"), "Cancel");  // a host gone takes its translation along
    EXPECT_EQ(english, "Cancel");
}

}  // namespace
}  // namespace mendora::platform

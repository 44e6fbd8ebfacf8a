// Shows a dialog built from a template with the pie chart and the text progress bar on
// the host MENDORA_UI chooses. The progress climbs to 100 %; Enter restarts it, Escape
// closes. mendora-uidemo --grab <file.png> saves the Qt window at 37 % and closes.
#include <cstring>
#include <string>

#include "controls/PieChartCtrl.h"
#include "controls/TextProgressCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtUiHost.h"

using namespace mendora;
using namespace mendora::platform;

namespace {

DialogTemplate DemoTemplate() {
    DialogTemplate t;
    t.caption = "Mendora";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.cx = 179;
    t.cy = 190;
    t.pointSize = 9;
    t.items = {
        {kButtonClass, 1, "Update", 21, 170, 50, 14, BS_DEFPUSHBUTTON | WS_VISIBLE},
        {kButtonClass, 2, "Close", 95, 170, 50, 14, BS_PUSHBUTTON | WS_VISIBLE},
        {kButtonClass, 1002, "Device Information", 20, 5, 133, 56, BS_GROUPBOX | WS_VISIBLE},
        {kStaticClass, 1007, "", 29, 17, 116, 34, SS_LEFT | WS_VISIBLE},
        {kStaticClass, 1011, "", 9, 65, 151, 24, SS_LEFT | WS_VISIBLE},
        {kProgressClass, 1001, "Progress1", 3, 94, 165, 11, PBS_SMOOTH | WS_BORDER | WS_VISIBLE},
        {"PIE_CHART_CTRL", 1000, "Pie Chart", 40, 110, 99, 55, WS_VISIBLE},
    };
    return t;
}

class DemoDialog : public Dialog {
public:
    DemoDialog(QtUiHost* qt, std::string grabPath)
        : Dialog(DemoTemplate()), qt_(qt), grabPath_(std::move(grabPath)) {
        OnMessage(WM_TIMER, [this](WPARAM, LPARAM) -> LRESULT {
            Step();
            return 0;
        });
    }

protected:
    void DoDataExchange(DataExchange& dx) override {
        dx.Control(1000, pie_);
        dx.Control(1001, progress_);
        dx.Text(1007, info_);
    }
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        pie_.AddSegment(RGB(255, 0, 0), RGB(0, 0, 0), 40, "Bad");
        pie_.AddSegment(RGB(0, 192, 0), RGB(0, 0, 0), 120, "Spare");
        SetTimer(1, 40);
        return true;
    }
    void OnOK() override { position_ = 0; }

private:
    void Step() {
        if (position_ > 100) return;
        progress_.SetPos(position_);
        SetDlgItemText(1011, "Status : Pattern test, block " + std::to_string(position_ * 10));
        if (position_ == 37 && qt_ && !grabPath_.empty()) {
            UpdateWindow();
            qt_->Grab(*this, grabPath_);
            EndDialog(IDOK);
        }
        ++position_;
    }

    QtUiHost* qt_;
    std::string grabPath_;
    PieChartCtrl pie_;
    TextProgressCtrl progress_;
    std::string info_ = "USB DISK 2.0 (QF70)\n\nFW Ver:1.02";
    int position_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::string grab = argc == 3 && std::strcmp(argv[1], "--grab") == 0 ? argv[2] : "";
    auto host = CreateUiHost();
    DemoDialog dialog(dynamic_cast<QtUiHost*>(host.get()), grab);
    return dialog.DoModal() < 0 ? 1 : 0;
}

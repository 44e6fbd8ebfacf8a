#include "console/RepairDialog.h"

#include <algorithm>
#include <cstring>

#include "console/ConsoleState.h"
#include "console/ConsoleStrings.h"
#include "console/DeviceSelection.h"
#include "console/DriveIdentification.h"
#include "console/DriveReport.h"
#include "console/FirmwareCheck.h"
#include "console/ProcessState.h"
#include "console/RevertPreparation.h"
#include "console/RevertRecords.h"
#include "platform/scsi/NativeScsi.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/UiHost.h"
#include "resources/DialogResources.h"

namespace mendora {

using namespace platform;

namespace {

constexpr const char* kCaption = "Mendora";

std::string ExecutableDirectory(const std::string& executable) {
    std::size_t slash = executable.find_last_of('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

}  // namespace

RepairDialog::RepairDialog(Kernel& kernel, DialogServices services)
    : Dialog(RepairDialogTemplate()),
      kernel_(kernel),
      workerMessages_(kernel.messages),
      drives_(services.drives ? services.drives : OwnDrives(kernel.clock)),
      changes_(services.changes),
      revertHost_{*drives_,
                  kernel.files,
                  kernel.registry,
                  kernel.profiles,
                  workerMessages_,
                  kernel.clock,
                  ExecutableDirectory(kernel.process.ExecutablePath())},
      recorder_(services.recorder),
      library_(kernel.modules, "QDLL") {
    RegisterPieChartClass();
    if (!changes_) {
        ownChanges_ = std::make_unique<NativeDeviceChangeWatcher>(DriveNamespace::ImagesFromEnvironment());
        changes_ = ownChanges_.get();
    }
    OnMessage(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
        OnPaint();
        return 0;
    });
    OnMessage(WM_QUERYDRAGICON, [](WPARAM, LPARAM) -> LRESULT {
        return reinterpret_cast<LRESULT>(&IconResource(kDialogIcon));
    });
    OnMessage(WM_TIMER, [this](WPARAM id, LPARAM) -> LRESULT {
        if (run_) run_->OnTimer(static_cast<int>(id));
        return 0;
    });
    OnMessage(WM_DEVICECHANGE, [this](WPARAM event, LPARAM) -> LRESULT {
        if (run_ && (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE))
            run_->OnDeviceChange(static_cast<std::uint32_t>(event));
        return 1;
    });
    OnMessage(WM_DESTROY, [this](WPARAM wparam, LPARAM lparam) -> LRESULT {
        StopWatching();
        return Default(WM_DESTROY, wparam, lparam);
    });
    OnCommand(IDOK, [this] { StartRun(); });
}

RepairDialog::~RepairDialog() {
    workerMessages_.Release();
    run_.reset();
    StopWatching();
}

DriveNamespace* RepairDialog::OwnDrives(Clock& clock) {
    diskFinder_ = std::make_unique<NativeDiskFinder>();
    ownDrives_ = std::make_unique<DriveNamespace>(DriveNamespace::ImagesFromEnvironment(), *diskFinder_, clock);
    return ownDrives_.get();
}

std::string RepairDialog::String(std::uint16_t id) { return LoadConsoleString(kernel_.resources, id); }

void RepairDialog::DoDataExchange(DataExchange& dx) {
    dx.Control(1011, status_);
    dx.Control(1006, badBlockLabel_);
    dx.Control(1010, badBlockIcon_);
    dx.Control(1009, newFirmwareLabel_);
    dx.Control(1008, updateCheck_);
    dx.Control(1001, progress_);
    dx.Text(1006, badBlockText_);
    dx.Text(1007, deviceText_);
}

bool RepairDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    kernel_.debug.Write("OnInitDialog 0");
    SetIcon(&IconResource(kDialogIcon), true);
    SetIcon(&IconResource(kDialogIcon), false);
    badBlockIcon_.SendMessage(STM_SETIMAGE, 0, reinterpret_cast<LPARAM>(&IconResource(kBadBlockIcon)));
    SubclassDlgItem(1000, pie_);

    if (!library_.Has(DeviceLibrary::Entry::CreateCUSBDevice)) {
        kernel_.messages.MessageBox("Can't find QDLL.dll", ApplicationName(), MessageButtons::Ok);
        EndDialog(1);
        return false;
    }
    device_ = library_.CreateCUSBDevice();
    kernel_.debug.Write("OnInitDialog 1");
    bool present = library_.DeviceExist(device_) != 0;
    kernel_.debug.Write("OnInitDialog 2");
    library_.GetNumberOfDrive(device_);
    kernel_.debug.Write("OnInitDialog 3");
    ReadDeviceIni();
    CheckRadioButton(1004, 1005, 1004);
    ShowDeviceInformation();
    kernel_.debug.Write("OnInitDialog 4");

    if (!present) {
        ShowWindow(SW_HIDE);
        return Refuse(kNoDeviceString, 2);
    }
    const ChipIdentity chip = drive_.chip = ReadChip(library_, device_);
    Console().chipId = chip.id;
    Console().chipVersion = chip.version;
    kernel_.debug.Write("chipID=" + std::to_string(chip.id) + ",chipVer=" + std::to_string(chip.version));
    if (std::uint16_t refusal = ChipRefusal(chip, OsBuildNumber())) return Refuse(refusal, 2);
    PrepareRecords();
    if (std::uint16_t refusal = AttributeRefusal(SharedGeometry().attrib)) return Refuse(refusal, 2);
    if (!HoldDrive()) return false;

    run_ = std::make_unique<RepairRun>(RunContext{kernel_, library_, device_, *this, Console(), SharedGeometry(),
                                                  SharedOptions(), revertHost_, recorder_, RecordedDrive()});
    WatchDeviceChanges();
    kernel_.debug.Write("OnInitDialog 5");
    return true;
}

bool RepairDialog::Refuse(std::uint16_t stringId, int code) {
    kernel_.messages.MessageBox(String(stringId), ApplicationName(), MessageButtons::Ok);
    EndDialog(code);
    return false;
}

void RepairDialog::ReadDeviceIni() {
    std::string path = DeviceIniPath(kernel_.process.ExecutablePath());
    std::uint8_t code = ReadDeviceSelection(kernel_.profiles, path, Console().selectionCode);
    Console().selectionCode = code;
    kernel_.debug.Write("SelectDevice=" + std::to_string(code));
    Console().repairFlags = code;
}

void RepairDialog::ShowDeviceInformation() {
    const DriveDescription drive = drive_.description = ReadDriveDescription(library_, device_);
    deviceText_ = DeviceInformationText(drive.description, drive.version);
    Console().noFirmware = drive.noFirmware ? 1 : 0;

    std::string update = ReadNewFirmwareVersion();
    SetDlgItemText(1009, "New FW Ver:" + update);
    if (drive.noFirmware) {
        CheckDlgButton(1008, BST_CHECKED);
        updateCheck_.EnableWindow(false);
    } else {
        kernel_.debug.Write(VersionCompareLine(drive.VersionText(), update));
    }

    badBlockText_ = String(kBadBlocksString) + " : 0.00 %";
    SetDlgItemText(1002, String(kDeviceInformationString));
    SetDlgItemText(1003, String(kRepairOptionString));
    SetDlgItemText(1004, String(kFastString));
    SetDlgItemText(1005, String(kCompleteString));
    SetDlgItemText(1, String(kUpdateButtonString));
    SetDlgItemText(2, String(kCloseButtonString));
    SetWindowText(kCaption);
    SetApplicationName(kCaption);
    UpdateData(false);
}

std::string RepairDialog::ReadNewFirmwareVersion() {
    kernel_.debug.Write("Enter ReadNewFWVersion");
    char path[512] = {};
    library_.GetUpdateFWFile(device_, path, Console().selectionCode);
    std::string file = BufferText(path, sizeof path);
    kernel_.debug.Write(file);
    return ReadUpdateFirmwareVersion(kernel_.files, file);
}

void RepairDialog::PrepareRecords() {
    const LibraryAnswers a = drive_.answers = ReadLibraryAnswers(library_, device_);
    kernel_.debug.Write(DeviceAttribLine(a));
    kernel_.debug.Write(FlashAttribLine(a));
    PrepareRevertRecords(a, SharedGeometry(), SharedOptions());
}

// The drive's letter now stands for the drive just identified, held against every other
// program: should another drive take the letter before the revert opens it, the revert is
// refused. A drive another program holds, or the system uses, is refused now. A letter that
// names no drive here is left to the revert, which fails to open it.
bool RepairDialog::HoldDrive() {
    const FlashGeometry& geo = SharedGeometry();
    const std::string name(geo.DriveName, strnlen(geo.DriveName, sizeof geo.DriveName));
    const auto drives = drives_->Drives();
    const auto held = std::find_if(drives.begin(), drives.end(), [&](const auto& d) { return d.name == name; });
    if (held == drives.end()) return true;
    identity_ = held->identity;
    std::string error;
    if (drives_->Pin(name, &error)) return true;
    kernel_.messages.MessageBox(error, ApplicationName(), MessageButtons::Ok);
    EndDialog(2);
    return false;
}

nlohmann::json RepairDialog::RecordedDrive() const {
    nlohmann::json report = DriveReport(drive_, SharedGeometry());
    report["port"] = identity_.port;
    report["serial"] = identity_.serial;
    return report;
}

void RepairDialog::StartRun() {
    if (run_) run_->Start();
}

// Close, Escape and closing the window. A run under way is stopped first: its workers
// end before the dialog does, and a box the revert still waits for is answered OK.
void RepairDialog::OnCancel() {
    if (run_ && run_->Busy()) {
        ShowClosing();
        workerMessages_.Release();
        run_->Stop();
    }
    EndDialog(IDCANCEL);
}

void RepairDialog::OnPaint() {
    if (!IsIconic()) {
        Default(WM_PAINT, 0, 0);
        return;
    }
    PaintDC dc(*this);
    Rect client = GetClientRect();
    dc.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
    const Bitmap& icon = IconResource(kDialogIcon);
    DC source;
    source.CreateCompatibleDC(&dc);
    source.SelectObject(const_cast<Bitmap*>(&icon));
    int x = (client.Width() - icon.Width() + 1) / 2;
    int y = (client.Height() - icon.Height() + 1) / 2;
    dc.BitBlt(x, y, icon.Width(), icon.Height(), source, 0, 0, SRCCOPY);
}

void RepairDialog::WatchDeviceChanges() {
    changes_->Start([this](std::uint32_t event) { PostMessage(WM_DEVICECHANGE, event, 0); });
}

void RepairDialog::StopWatching() {
    if (changes_) changes_->Stop();
}

// The run's view.

bool RepairDialog::CompleteChecked() { return IsDlgButtonChecked(1005) == BST_CHECKED; }

bool RepairDialog::UpdateFirmwareChecked() { return IsDlgButtonChecked(1008) == BST_CHECKED; }

void RepairDialog::DisableStartButton() {
    if (Window* start = GetDlgItem(1)) start->EnableWindow(false);
}

void RepairDialog::ShowStatusText(bool shown) { status_.ShowWindow(shown ? SW_SHOW : SW_HIDE); }

void RepairDialog::SetStatusText(const std::string& text) { status_.SetWindowText(text); }

void RepairDialog::SetProgress(int position) { progress_.SetPos(position); }

void RepairDialog::ShowBadBlocks(std::uint32_t spanDegrees, const std::string& label) {
    pie_.RemoveAllSegments();
    pie_.AddSegment(RGB(255, 0, 0), RGB(0, 0, 0), static_cast<int>(spanDegrees), "");
    badBlockText_ = label;
    UpdateData(false);
}

void RepairDialog::StartTimer(int id, std::uint32_t milliseconds) { SetTimer(static_cast<UINT>(id), milliseconds); }

void RepairDialog::StopTimer(int id) { KillTimer(static_cast<UINT>(id)); }

int RepairDialog::Message(const std::string& text, MessageButtons buttons) {
    return kernel_.messages.MessageBox(text, ApplicationName(), buttons);
}

void RepairDialog::ShowReplugPopup() {
    if (!popup_) {
        popup_ = std::make_unique<ReplugPopup>(kernel_.resources);
        if (!popup_->CreateModeless()) return;
    }
    popup_->SetTopmost();
    popup_->ShowWindow(SW_SHOWNOACTIVATE);
}

void RepairDialog::HideReplugPopup() {
    if (popup_) popup_->ShowWindow(SW_HIDE);
}

void RepairDialog::ShowClosing() {
    status_.ShowWindow(SW_SHOW);
    status_.SetWindowText("Finishing the step under way, please wait ...");
    UpdateWindow();
    if (UiHost* host = UiHost::Current()) host->Present();
}

void RepairDialog::End(int code) { EndDialog(code); }

}  // namespace mendora

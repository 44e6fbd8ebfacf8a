#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "console/DeviceLibrary.h"
#include "console/DriveIdentification.h"
#include "console/ReplugPopup.h"
#include "console/RepairRun.h"
#include "console/RunView.h"
#include "controls/PieChartCtrl.h"
#include "controls/TextProgressCtrl.h"
#include "flash/RevertEngine.h"
#include "platform/kernel/Kernel.h"
#include "platform/scsi/DeviceChangeWatcher.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WindowThreadMessages.h"

namespace mendora {

// What the dialog uses beyond the kernel; tests hand in their own.
struct DialogServices {
    // Drives for the revert engine; null: the virtual drives of MENDORA_VDRIVE, then the
    // maker's USB disks.
    platform::DriveNamespace* drives = nullptr;
    // Device-change notifications; null: the Linux watcher over the same drives.
    platform::DeviceChangeSource* changes = nullptr;
    // Keeps a record of the repair; null: none is kept.
    RunRecorder* recorder = nullptr;
};

// The main dialog (template 102): binds the device library, refuses absent or unsupported
// drives, shows the drive's description and firmware version, prepares the revert records
// and hands the start button, the timers and device changes to the repair run, whose
// view it is.
class RepairDialog : public platform::Dialog, public RunView {
public:
    explicit RepairDialog(platform::Kernel& kernel, DialogServices services = {});
    ~RepairDialog() override;

    QdllHandle Device() const { return device_; }
    DeviceLibrary& Library() { return library_; }
    ReplugPopup* Popup() { return popup_.get(); }
    // The messages the revert engine's thread shows through the dialog thread.
    platform::MessageHost& WorkerMessages() { return workerMessages_; }

    // RunView
    bool CompleteChecked() override;
    bool UpdateFirmwareChecked() override;
    void DisableStartButton() override;
    void ShowStatusText(bool shown) override;
    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void ShowBadBlocks(std::uint32_t spanDegrees, const std::string& label) override;
    void StartTimer(int id, std::uint32_t milliseconds) override;
    void StopTimer(int id) override;
    int Message(const std::string& text, platform::MessageButtons buttons) override;
    void ShowReplugPopup() override;
    void HideReplugPopup() override;
    void ShowClosing() override;
    void End(int code) override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    void OnCancel() override;

private:
    bool Refuse(std::uint16_t stringId, int code);
    void ReadDeviceIni();
    void ShowDeviceInformation();
    std::string ReadNewFirmwareVersion();
    void PrepareRecords();
    bool HoldDrive();
    nlohmann::json RecordedDrive() const;
    void StartRun();
    void OnPaint();
    void WatchDeviceChanges();
    void StopWatching();
    std::string String(std::uint16_t id);
    platform::DriveNamespace* OwnDrives(platform::Clock& clock);

    platform::Kernel& kernel_;
    platform::WindowThreadMessages workerMessages_;
    std::unique_ptr<platform::UsbDiskFinder> diskFinder_;
    std::unique_ptr<platform::DriveNamespace> ownDrives_;
    platform::DriveNamespace* drives_;
    std::unique_ptr<platform::DeviceChangeSource> ownChanges_;
    platform::DeviceChangeSource* changes_;
    RevertHost revertHost_;
    RunRecorder* recorder_;
    // The drive as the library identified it and the drive namespace holds it, for the record.
    DriveIdentification drive_;
    platform::DriveIdentity identity_;

    DeviceLibrary library_;
    QdllHandle device_ = 0;
    PieChartCtrl pie_;
    TextProgressCtrl progress_;
    platform::Window status_;
    platform::Window badBlockLabel_;
    platform::Window badBlockIcon_;
    platform::Window newFirmwareLabel_;
    platform::Window updateCheck_;
    std::string badBlockText_;
    std::string deviceText_;
    std::unique_ptr<ReplugPopup> popup_;
    // Last: the run's workers end before anything they use goes.
    std::unique_ptr<RepairRun> run_;
};

}  // namespace mendora

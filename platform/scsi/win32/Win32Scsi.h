#pragma once
// The Win32 drive services. <windows.h> stays in the sources.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/scsi/DeviceChangeWatcher.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/scsi/PassThroughRecord.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora::platform {

// The one call the transport makes of the opened device, so that tests can stand in for it:
// DeviceIoControl's arguments and results; *error is GetLastError() of a failed call.
class DeviceControl {
public:
    virtual ~DeviceControl() = default;
    virtual bool IoControl(std::uint32_t code, void* input, std::uint32_t inputLength, void* output,
                           std::uint32_t outputLength, std::uint32_t* returned, std::uint32_t* error) = 0;
};

// DeviceIoControl on a handle opened with CreateFileA; closes it when destroyed.
std::unique_ptr<DeviceControl> OpenDeviceControl(const std::string& path, std::string* error);

// The pass-through through the records the system builds: each command in the record it
// names (buffered or direct) with its DataIn; one that names none goes buffered when its data
// fits the record's 512-byte area, direct otherwise. Results map to the transport's
// categories: a gone device, a timeout, a bus failure, an OS refusal.
class Win32ScsiTransport : public ScsiTransport {
public:
    explicit Win32ScsiTransport(std::unique_ptr<DeviceControl> device) : device_(std::move(device)) {}
    ScsiResult Execute(const ScsiRequest& request) override;

private:
    ScsiResult SendBuffered(const ScsiRequest& request, const RecordFields& fields);
    ScsiResult SendDirect(const ScsiRequest& request, const RecordFields& fields);

    std::unique_ptr<DeviceControl> device_;
};

// The transport category of a failed DeviceIoControl's or CreateFileA's error code.
TransportStatus StatusOfIoError(std::uint32_t error);

// The message of a failed CreateFileA, saying when the drive is gone.
std::string OpenFailure(const std::string& path, std::uint32_t error);

// The disks of the maker's USB ids (SetupAPI: disk interfaces whose USB parent device has the
// maker's vendor and product), each named by the letter Windows shows for its volume (or
// "PhysicalDriveN" when it has none) and known by its USB location and serial.
class SetupApiDiskFinder : public UsbDiskFinder {
public:
    std::vector<FoundDisk> MakerDisks() override;
};

// Whether a USB device instance id ("USB\VID_xxxx&PID_yyyy\...") names the maker's ids.
bool IsMakerUsbInstance(const std::string& instanceId);

// WM_DEVICECHANGE of a hidden window (arrival and removal-complete of disk interfaces and
// volumes), and the virtual drives' images plugged in or out, on one thread.
class Win32DeviceChangeWatcher : public DeviceChangeSource {
public:
    explicit Win32DeviceChangeWatcher(std::vector<std::string> images);
    ~Win32DeviceChangeWatcher() override;

    bool Start(Listener listener) override;
    void Stop() override;

private:
    void Run(Listener listener, void* ready);

    std::vector<std::string> images_;
    void* stop_ = nullptr;
    std::thread thread_;
};

// The event of a WM_DEVICECHANGE wParam that the system cares about, or 0.
std::uint32_t DeviceChangeEventOf(std::uintptr_t wParam);

}  // namespace mendora::platform

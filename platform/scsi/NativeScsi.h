#pragma once
// The drive services of the platform being built for, under host-neutral names.
#include <memory>
#include <string>

#include "platform/scsi/DeviceChangeWatcher.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/scsi/ScsiTransport.h"

#if defined(_WIN32)
#include "platform/scsi/win32/Win32Scsi.h"
#endif

namespace mendora::platform {

#if defined(_WIN32)
using NativeDiskFinder = SetupApiDiskFinder;
using NativeDeviceChangeWatcher = Win32DeviceChangeWatcher;
#else
using NativeDiskFinder = UdevDiskFinder;
using NativeDeviceChangeWatcher = LinuxDeviceChangeWatcher;
#endif

// The pass-through to a real drive found by the disk finder (which also finds the same
// identity again after the host reset it); null with *error set when it cannot be opened.
std::unique_ptr<ScsiTransport> OpenDeviceTransport(const std::string& source, const DriveIdentity& identity,
                                                   UsbDiskFinder& finder, Clock& clock, std::string* error);

}  // namespace mendora::platform

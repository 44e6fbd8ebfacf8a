#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora::platform {

// The environment variable listing virtual drive images, separated by ':' (by ';' on
// Windows, whose paths hold ':').
inline constexpr const char* kVirtualDrivesVariable = "MENDORA_VDRIVE";
#if defined(_WIN32)
inline constexpr char kVirtualDrivesSeparator = ';';
#else
inline constexpr char kVirtualDrivesSeparator = ':';
#endif

// Finds the USB disks whose USB vendor and product are the maker's, sorted by node.
class UsbDiskFinder {
public:
    virtual ~UsbDiskFinder() = default;
    virtual std::vector<std::string> MakerDisks() = 0;
    // The USB serial number of the device behind a node; empty when unknown.
    virtual std::string Serial(const std::string&) { return {}; }
};

// The libudev finder: the generic SCSI nodes (/dev/sgN) of the maker's disks.
class UdevDiskFinder : public UsbDiskFinder {
public:
    std::vector<std::string> MakerDisks() override;
    std::string Serial(const std::string& node) override;
};

struct DriveEntry {
    std::string name;     // "D:", "E:", ...
    std::string source;   // image path or device node
    bool isVirtual = false;
};

// Drive names as the system knows them: letters from D: on, first the virtual drives, then
// the maker's USB disks. Open() hands out a drive for vendor commands only after its
// INQUIRY shows the maker's controller, so a wrong mapping never reaches another disk.
// A USB disk opened here is found again by its serial number when the kernel re-enumerates
// it under another node; the finder must outlive the drives opened through it.
class DriveNamespace {
public:
    DriveNamespace(std::vector<std::string> images, UsbDiskFinder& finder, Clock& clock);
    virtual ~DriveNamespace() = default;
    static std::vector<std::string> ImagesFromEnvironment();

    std::vector<DriveEntry> Drives();
    // name: "D:" or "\\.\D:", any case. Virtual so that a caller can wrap the transport.
    virtual std::unique_ptr<ScsiTransport> Open(const std::string& name, std::string* error);

private:
    std::unique_ptr<ScsiTransport> OpenSource(const DriveEntry& entry, std::string* error);

    std::vector<std::string> images_;
    UsbDiskFinder& finder_;
    Clock& clock_;
};

// Empty when the INQUIRY data names the maker's controller, else what it names.
std::string ForeignIdentity(ScsiTransport& drive);

}  // namespace mendora::platform

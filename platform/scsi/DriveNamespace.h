#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/kernel/DriveLock.h"
#include "platform/scsi/DiskHolders.h"
#include "platform/scsi/DriveIdentity.h"
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
// The environment variable that confines a process to one drive: its identity's key. A
// station hands each worker its drive this way, so that the worker and the device library
// it loads see that drive alone.
inline constexpr const char* kOnlyDriveVariable = "MENDORA_DRIVE_ONLY";

// A disk of the maker's USB ids as the host finds it.
struct FoundDisk {
    std::string node;       // what the pass-through opens: /dev/sgN, a device path
    std::string name;       // the name the host gives it ("B:" for /dev/sdb); empty when none
    std::string blockName;  // its block device ("sdb"); empty when the host shows none
    DriveIdentity identity;
    // What differs each time the disk is plugged in again, wherever it goes (Linux: its
    // SCSI device's sysfs path, under a new host each time, and its USB device number);
    // empty where the host cannot tell.
    std::string instance = {};
};

// Finds the disks whose USB vendor and product are the maker's.
class UsbDiskFinder {
public:
    virtual ~UsbDiskFinder() = default;
    virtual std::vector<FoundDisk> MakerDisks() { return {}; }
};

// Finds no USB disk: a namespace of virtual drives alone.
class NoUsbDisks : public UsbDiskFinder {};

// The libudev finder: the generic SCSI nodes (/dev/sgN) of the maker's disks.
class UdevDiskFinder : public UsbDiskFinder {
public:
    std::vector<FoundDisk> MakerDisks() override;
};

struct DriveEntry {
    std::string name;     // "D:", "E:", ... or, past the letters, the port
    std::string source;   // image path or device node
    bool isVirtual = false;
    DriveIdentity identity;
    std::string blockName;
    std::string instance = {};  // as FoundDisk's; empty for a virtual drive
};

// Drive names as the system knows them: the virtual drives from D: on in the order given,
// then the maker's USB disks under the name the host gives each (the letter of its disk
// name on Linux), or its port when that name is taken or missing. A name stands for the
// drive identity it first opened in this namespace: a later open of the name that finds
// another drive there is refused. A drive this namespace has opened is held for its
// lifetime: another process is refused it ("in use"). Open() hands out a drive for vendor
// commands only after its INQUIRY shows the maker's controller, so a wrong mapping never
// reaches another disk. The finder must outlive the drives opened through it.
class DriveNamespace {
public:
    DriveNamespace(std::vector<std::string> images, UsbDiskFinder& finder, Clock& clock,
                   DiskHolders* holders = nullptr);
    virtual ~DriveNamespace() = default;
    static std::vector<std::string> ImagesFromEnvironment();
    // The drive this process is confined to, when the environment names one.
    static std::optional<DriveIdentity> OnlyDriveFromEnvironment();

    std::vector<DriveEntry> Drives();
    // The drive of this identity wherever it sits now, found by port and serial; empty with
    // *error when it is not there or more than one drive would fit.
    std::optional<DriveEntry> Find(const DriveIdentity& identity, std::string* error);
    // Binds a name to the drive it names now, to be erased: false with *error when there is
    // none, another process holds it, or the system uses it (a mounted filesystem, swap),
    // unless `unmount` lets its uses be ended first.
    bool Pin(const std::string& name, std::string* error, bool unmount = false);
    // name: "D:", "\\.\D:" or a port, any case. Virtual so that a caller can wrap the
    // transport.
    virtual std::unique_ptr<ScsiTransport> Open(const std::string& name, std::string* error);

private:
    // A name's drive, held by this process.
    struct Held {
        DriveIdentity identity;
        std::unique_ptr<DriveLock> lock;
        std::unique_ptr<DiskRelease> release;  // the system's uses ended, when they were
    };

    std::optional<DriveEntry> Resolve(const std::string& name, std::string* error);
    bool Hold(const DriveEntry& entry, std::string* error);
    bool Free(const DriveEntry& entry, bool unmount, std::string* error);
    std::unique_ptr<ScsiTransport> OpenSource(const DriveEntry& entry, std::string* error);

    std::vector<std::string> images_;
    std::optional<DriveIdentity> only_;
    UsbDiskFinder& finder_;
    Clock& clock_;
    DiskHolders* holders_;
    std::unique_ptr<DiskHolders> nativeHolders_;
    std::mutex heldGuard_;
    std::map<std::string, Held> held_;
};

// Confines this process, and the device library it loads from now on, to one drive of the
// namespace made of `images`: whoever makes a namespace of the environment sees the same
// drives under the same names, all but this one left out. False when the environment
// cannot be set.
bool ConfineProcessTo(const std::vector<std::string>& images, const DriveEntry& entry);

// Empty when the INQUIRY data names the maker's controller, else what it names. Fills
// *seen with the vendor and product it answered, when given.
std::string ForeignIdentity(ScsiTransport& drive, DriveIdentity* seen = nullptr);

// "E:" from "e:", "E" or "\\.\E:"; any other text as it is.
std::string NormalDriveName(std::string name);

}  // namespace mendora::platform

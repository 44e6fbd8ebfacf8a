#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "certify/Certify.h"
#include "console/DeviceLibrary.h"
#include "flash/RevertRecords.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/scsi/NativeScsi.h"
#include "tools/common/EngineMap.h"
#include "tools/station/CountingNamespace.h"
#include "tools/station/LineLink.h"
#include "tools/station/PhaseClock.h"

namespace mendora::station {

struct WorkerOptions {
    std::string mapFile;            // where to draw the bad-block map; empty: none
    double replugSeconds = 300;     // how long the re-plug may take
    bool identifyOnly = false;      // say what the drive is and stop: nothing is written
    bool unmount = false;           // end the system's uses of the drive (mounts, swap) first
    std::optional<certify::Mode> certify;  // certify the drive after the library phase
};

// One drive's whole repair in a process of its own (the device library's progress and the
// revert records are process-wide), confined by its environment to that drive alone: identification and the records as the console fills
// them, the revert, the re-plug of a QF70 with firmware, the library phase. Progress goes
// to the station as lines on stdout every 200 ms; the last line is the drive's report.
class Worker {
public:
    Worker(platform::NativeKernel& host, platform::Resources& resources, LineWriter& link, WorkerOptions options);
    ~Worker();
    int Run();

    // Asks the revert to stop where it is (from a signal handler too).
    static void Interrupt();
    static bool Interrupted();
    static const std::atomic<bool>* InterruptFlag();

private:
    bool Hold();
    bool Identify();
    bool Refused(const std::string& why);
    std::uint8_t Revert();
    bool Replug();
    std::optional<std::string> DriveNow(bool present);
    void Library();
    void Certify();
    void RedrawMapWithLoss(const std::vector<certify::SectorRun>& lost);
    void Report();
    void Fail(const std::string& verdict, const std::string& why);
    std::optional<nlohmann::json> BlockReached() const;
    void StartReporter();
    void StopReporter();
    nlohmann::json ProgressLine();
    double PhaseFraction(Phase phase);

    platform::NativeKernel& host_;
    platform::Resources& resources_;
    LineWriter& link_;
    WorkerOptions options_;
    DeviceLibrary library_;
    QdllHandle device_ = 0;
    std::string driveName_;
    certify::Progress certifyProgress_;
    std::atomic<std::int64_t> certifyStart_{0};  // steady clock ticks when the certify began
    FlashGeometry geo_;
    RevertOptions revertOptions_;
    std::uint16_t chipId_ = 0;
    bool noFirmware_ = false;
    std::uint8_t selectionCode_ = 0;
    PhaseClock phases_;
    TransferCount count_;
    platform::NativeDiskFinder disks_;
    CountingNamespace drives_;  // holds the drive for the whole repair
    EngineBlocks blocks_;
    nlohmann::json report_ = nlohmann::json::object();
    std::atomic<bool> reporting_{false};
    std::mutex reporterMutex_;
    std::condition_variable reporterWake_;
    std::thread reporter_;
};

int RunWorker(const WorkerOptions& options);

}  // namespace mendora::station

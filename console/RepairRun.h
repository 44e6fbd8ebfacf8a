#pragma once
#include <cstdint>
#include <memory>

#include "console/ConsoleState.h"
#include "console/DeviceLibrary.h"
#include "console/RevertPasses.h"
#include "console/RunRecorder.h"
#include "console/RunView.h"
#include "flash/RevertEngine.h"
#include "flash/RevertRecords.h"
#include "platform/kernel/Kernel.h"

namespace mendora {

// Device-change events the dialog passes on.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;

// Timer ids of the run.
inline constexpr int kLibraryTimer = 1;   // 5 ms, library progress
inline constexpr int kRevertTimer = 2;    // 500 ms, revert status
inline constexpr int kReplugTimer = 3;    // 100 ms, re-plug watch

struct RunContext {
    platform::Kernel& kernel;
    DeviceLibrary& library;
    QdllHandle device;
    RunView& view;
    ConsoleState& console;
    FlashGeometry& geometry;
    RevertOptions& options;
    RevertHost& revertHost;
    // Keeps a record of the run once it has ended; null: none is kept, and the run asks
    // the library nothing beyond what the dialog shows.
    RunRecorder* recorder = nullptr;
    // What the record says of the drive: its identity, description, chip and geometry.
    nlohmann::json driveReport = nlohmann::json::object();
};

// One repair: the revert on a worker thread, the re-plug watch, the library phase on a
// second worker, then the final message and the end of the dialog. Driven by the dialog
// thread: the start button, the three timers and device-change events.
class RepairRun {
public:
    explicit RepairRun(RunContext context);
    // The same run with its revert passes made by the factory instead of the engine.
    RepairRun(RunContext context, RevertPassesFactory revertPasses);
    // Stops a revert under way and waits for both workers.
    ~RepairRun();
    RepairRun(const RepairRun&) = delete;
    RepairRun& operator=(const RepairRun&) = delete;

    // The start button: confirmation, then the revert phase. Only the first accepted
    // press starts a run.
    void Start();
    void OnTimer(int id);
    void OnDeviceChange(std::uint32_t event);
    // Whether a worker is still running.
    bool Busy() const;
    // Close during a run: asks the revert to stop and waits for the workers to end,
    // never leaving a library call running behind.
    void Stop();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace mendora

#pragma once
// Fakes the repair run is tested with: a view that records what the run shows, device
// library entry points over one fake library, and revert passes the test controls.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/RepairRun.h"
#include "console/RevertPreparation.h"
#include "console/RunView.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "vdrive/DriveSetup.h"

namespace mendora::testing {

// A door a worker waits at until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> hold(mutex_);
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(hold, [this] { return open_; });
    }
    // Waits (in real time, bounded) until somebody stands at the gate.
    bool AwaitVisitor() {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, std::chrono::seconds(10), [this] { return waiting_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool waiting_ = false;
};

class FakeRunView : public RunView {
public:
    bool complete = false;
    bool update = false;
    int answer = platform::kIdOk;
    std::function<void()> onClosing;
    std::function<void(const std::string&)> onCall;  // sees each entry of calls as it is made

    std::vector<std::string> calls;  // "Disable", "Status:<text>", "Timer+2", "Timer-2", "Popup+", ...
    std::vector<int> progress;
    std::vector<std::string> messages;
    std::vector<platform::MessageButtons> buttons;
    std::string statusText;
    std::uint32_t span = 9999;
    std::string label;
    int endCode = -1;

    bool CompleteChecked() override { return complete; }
    bool UpdateFirmwareChecked() override { return update; }
    void DisableStartButton() override { Call("Disable"); }
    void ShowStatusText(bool shown) override { Call(shown ? "StatusShown" : "StatusHidden"); }
    void SetStatusText(const std::string& text) override { statusText = text; }
    void SetProgress(int position) override { progress.push_back(position); }
    void ShowBadBlocks(std::uint32_t spanDegrees, const std::string& text) override {
        span = spanDegrees;
        label = text;
    }
    void StartTimer(int id, std::uint32_t ms) override {
        Call("Timer+" + std::to_string(id) + "/" + std::to_string(ms));
    }
    void StopTimer(int id) override { Call("Timer-" + std::to_string(id)); }
    int Message(const std::string& text, platform::MessageButtons b) override {
        messages.push_back(text);
        buttons.push_back(b);
        return b == platform::MessageButtons::OkCancel ? answer : platform::kIdOk;
    }
    void ShowReplugPopup() override { Call("Popup+"); }
    void HideReplugPopup() override { Call("Popup-"); }
    void ShowClosing() override {
        Call("Closing");
        if (onClosing) onClosing();
    }
    void End(int code) override {
        Call("End");
        endCode = code;
    }

    bool Called(const std::string& call) const;

private:
    void Call(std::string call) {
        calls.push_back(std::move(call));
        if (onCall) onCall(calls.back());
    }
};

// The one fake device library the QDLL_* entry points answer from.
struct FakeLibraryState {
    std::atomic<int> progress{0};
    std::atomic<int> state{0};
    std::atomic<std::uint32_t> errorCode{0};
    std::atomic<std::uint32_t> bad{0};
    std::atomic<std::uint32_t> total{0};
    std::atomic<std::uint16_t> divisor{0};
    std::atomic<int> repairCalls{0};
    std::atomic<int> repairFlags{-1};
    std::atomic<bool> repairReturned{false};
    std::atomic<bool> finishOnRepair{true};  // the repair call sets state 0xFF itself
    Gate* repairGate = nullptr;              // when set, the repair call waits here
    std::function<void()> onGetErrorCode;    // called as QDLL_GetErrorCode is asked
};
FakeLibraryState& FakeLibrary();
void ResetFakeLibrary();
platform::FakeModuleLoader::Symbols RunLibrarySymbols();

// Revert passes whose results the test sets; a pass can be held at a gate.
struct FakeRevertScript {
    std::uint8_t eraseResult = 2;
    std::uint8_t patternResult = 2;
    std::uint8_t blankResult = 2;
    Gate* eraseGate = nullptr;  // EraseAll waits here (or until the stop flag is set)
    std::uint32_t eraseMilliseconds = 0;  // virtual time the erase takes
    platform::Clock* clock = nullptr;

    std::mutex mutex;
    std::vector<std::string> calls;
    void Record(const std::string& call) {
        std::lock_guard<std::mutex> hold(mutex);
        calls.push_back(call);
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> hold(mutex);
        return calls;
    }
};
RevertPassesFactory FakeRevertPasses(FakeRevertScript& script);

// What the device library answers about a virtual drive, for the records' preparation.
LibraryAnswers AnswersFor(const vdrive::DriveSetup& setup);

// The string table entries the run shows.
std::span<const platform::ResourceEntry> RunStrings();

// The reports a run hands over for its records.
struct KeptReports : RunRecorder {
    std::vector<nlohmann::json> reports;
    void Keep(const nlohmann::json& report) override { reports.push_back(report); }
};

// Everything a RepairRun needs, over the fakes.
struct RunRig {
    // images: virtual drives the revert host knows, from D: on.
    explicit RunRig(std::vector<std::string> images = {});
    ~RunRig();

    platform::FakeKernel fake{RunStrings()};
    FakeRunView view;
    DeviceLibrary library{fake.modules, "QDLL"};
    ConsoleState console;
    FlashGeometry geometry;
    RevertOptions options;
    platform::NoUsbDisks noDisks;
    platform::DriveNamespace drives;
    RevertHost host{drives, fake.files, fake.registry, fake.profiles, fake.messages, fake.clock, "/nowhere"};
    FakeRevertScript script;

    RunContext Context() {
        return {fake.kernel, library, 7, view, console, geometry, options, host};
    }
    // Ticks timer 2 until the revert phase is seen over (bounded in real time).
    bool FinishRevert(RepairRun& run);
    // Ticks timer 1 until the run ends or the ticks are used up.
    void TickLibrary(RepairRun& run, int ticks);
};

}  // namespace mendora::testing

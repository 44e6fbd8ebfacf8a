#pragma once
// A device library made of fake entry points, a string table, the test host and a
// dialog to run on them.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/ConsoleState.h"
#include "console/ProcessState.h"
#include "console/RepairDialog.h"
#include "console/RevertRecords.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "platform/ui/TestUiHost.h"
#include "tests/TempDir.h"

namespace mendora::testing {

// What the fake library answers; each test sets its drive up before the dialog starts.
struct FakeDrive {
    int exists = 1;
    std::string description = "USB DISK 2.0 (QF70) 1.9 GB";
    std::string version = "VER123";
    std::string updateFile;  // path answered by QDLL_GetUpdateFWFile
    std::uint16_t chipId = 0x0070;
    std::uint16_t chipVersion = 1;
    char letter = 'D';
    std::uint8_t flashId[5] = {0xEC, 0xD7, 0x14, 0xA5, 0x64};
    std::uint8_t model = 0x70, attribute = 0, zoneBank = 1, chipCount = 2;
    std::uint16_t maxSectors = 128, maxLogSectors = 512, maxBlocks = 1024, maxZones = 4;
    std::uint8_t a1Version = 0, redundantSymbol = 3;
    int selectionAsked = -1;  // the code QDLL_GetUpdateFWFile was asked with
};

FakeDrive& Drive();

// The entry points of the fake library, by name.
platform::FakeModuleLoader::Symbols FakeLibrarySymbols();

// The console's texts in English, as the resources carry them.
std::span<const platform::ResourceEntry> ConsoleStringTable();

// Device changes a test fires, on a thread of its own as the real watcher would.
class FakeDeviceChanges : public platform::DeviceChangeSource {
public:
    bool Start(Listener listener) override {
        std::lock_guard<std::mutex> hold(mutex_);
        listener_ = std::move(listener);
        ++starts;
        return true;
    }
    void Stop() override {
        std::lock_guard<std::mutex> hold(mutex_);
        if (listener_) ++stops;
        listener_ = nullptr;
    }
    // Delivers the event from another thread and waits until it is delivered.
    void Fire(std::uint32_t event) {
        std::thread([this, event] {
            std::lock_guard<std::mutex> hold(mutex_);
            if (listener_) listener_(event);
        }).join();
    }
    int starts = 0;
    int stops = 0;

private:
    std::mutex mutex_;
    Listener listener_;
};

using NoDisks = platform::NoUsbDisks;

// The test host, counting the top-level windows it is asked to show.
class CountingHost : public platform::TestUiHost {
public:
    void WindowShown(platform::WindowNode&, bool shown) override {
        if (shown) ++windowsShown;
    }
    int windowsShown = 0;
};

// One dialog on the test host with the fake kernel and library.
struct DialogRig {
    DialogRig() {
        Drive() = FakeDrive{};
        Console().selectionCode = 0;
        Console().repairFlags = 0;
        Console().noFirmware = 0;
        Console().chipId = 0;
        Console().chipVersion = 0;
        SetApplicationName("Mendrix");
        RecordOsBuildNumber(2600);
        fake.process.executablePath = dir / "Mendrix.exe";
        fake.modules.modules["QDLL"] = FakeLibrarySymbols();
        WriteDeviceIni("[Device]\r\nSelectDevice=QF70");
    }

    void WriteDeviceIni(const std::string& text) { std::ofstream(dir / "Device.ini", std::ios::binary) << text; }

    // A firmware file of the given length with the version, zero-padded to 6 bytes, at 0xEFF2.
    std::string WriteUpdateFile(const std::string& version, std::size_t length = 0x10000) {
        std::string bytes(std::max<std::size_t>(length, 0xEFF8), '\xFF');
        std::string field = version;
        field.resize(6, '\0');
        std::copy(field.begin(), field.end(), bytes.begin() + 0xEFF2);
        bytes.resize(length);
        std::string path = dir / "update.bin";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    RepairDialog& Dialog() {
        if (!dialog) dialog = std::make_unique<RepairDialog>(fake.kernel, DialogServices{&drives, &changes});
        return *dialog;
    }

    // Runs the dialog; the step runs once it is initialised (and shown, unless refused).
    int Run(std::function<void(RepairDialog&)> step = nullptr) {
        RepairDialog& d = Dialog();
        if (step) host.Then([&d, step] { step(d); });
        return static_cast<int>(d.DoModal());
    }

    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& box : fake.messages.shown) texts.push_back(box.text);
        return texts;
    }

    TempDir dir;
    CountingHost host;
    platform::FakeKernel fake{ConsoleStringTable()};
    NoDisks noDisks;
    platform::DriveNamespace drives{{}, noDisks, fake.clock};
    FakeDeviceChanges changes;
    std::unique_ptr<RepairDialog> dialog;
};

}  // namespace mendora::testing

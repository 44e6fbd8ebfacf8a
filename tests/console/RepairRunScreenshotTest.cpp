// The dialog in the desktop host (offscreen) through a whole run, grabbed in each phase:
// after initialisation, while the revert engine works on a virtual drive, during the
// library's repair and at the final message.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "RepairRunFakes.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/qt/QtUiHost.h"
#include "tests/console/DialogTestKit.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

const std::string kShots = std::string(MENDORA_TEST_OUTPUT) + "/dialog";

// A drive whose transport holds one command at a gate, so that a phase can be looked at.
class HeldDrives : public platform::DriveNamespace {
public:
    HeldDrives(std::vector<std::string> images, platform::UsbDiskFinder& finder, platform::Clock& clock, Gate& gate,
               int holdAt)
        : DriveNamespace(std::move(images), finder, clock), gate_(gate), holdAt_(holdAt) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string& name, std::string* error) override {
        auto drive = DriveNamespace::Open(name, error);
        return drive ? std::make_unique<Held>(std::move(drive), *this) : nullptr;
    }

private:
    struct Held : platform::ScsiTransport {
        Held(std::unique_ptr<ScsiTransport> drive, HeldDrives& owner) : drive(std::move(drive)), owner(owner) {}
        platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
            if (++owner.commands_ == owner.holdAt_) owner.gate_.Pass();
            return drive->Execute(request);
        }
        std::unique_ptr<ScsiTransport> drive;
        HeldDrives& owner;
    };
    Gate& gate_;
    const int holdAt_;
    std::atomic<int> commands_{0};
};

// Message boxes answered OK; the final one first has the dialog grabbed as it stands.
class GrabbingMessages : public platform::MessageHost {
public:
    std::function<void(const std::string&)> onBox;
    int MessageBox(const std::string& text, const std::string&, platform::MessageButtons) override {
        if (onBox) onBox(text);
        return platform::kIdOk;
    }
    [[noreturn]] void FatalExit(const std::string& text) override { throw platform::FatalExitCalled(text); }
    bool ActivateWindow(const std::string&) override { return false; }
};

vdrive::DriveSetup SmallQf90() {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 128, 8, 4};
    setup.plantings.factoryBad = 3;
    return setup;
}

void AnswerFor(const vdrive::DriveSetup& setup) {
    Drive() = FakeDrive{};
    FakeDrive& d = Drive();
    d.description = "USB DISK 2.0 (QF90) 2 MB";
    d.version = "Q90110";
    d.chipId = 0x0090, d.model = 0x90, d.zoneBank = setup.identity.zoneBank;
    std::copy(std::begin(setup.identity.flashId), std::end(setup.identity.flashId), d.flashId);
    d.chipCount = static_cast<std::uint8_t>(setup.geometry.chipEnables);
    d.maxSectors = static_cast<std::uint16_t>(setup.geometry.pagesPerBlock);
    d.maxLogSectors = static_cast<std::uint16_t>(setup.geometry.SectorsPerBlock());
    d.maxBlocks = static_cast<std::uint16_t>(setup.geometry.blocksPerZone);
    d.maxZones = static_cast<std::uint16_t>(setup.geometry.zones);
    d.redundantSymbol = 8;
}

TEST(RepairRunScreenshots, EachPhaseOfARunInTheQtHost) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::filesystem::create_directories(kShots);
    TempDir dir;
    const std::string image = dir / "drive.img";
    const vdrive::DriveSetup setup = SmallQf90();
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
    AnswerFor(setup);
    ResetFakeLibrary();
    Console().selectionCode = 0, Console().noFirmware = 0, Console().chipId = 0;
    RecordOsBuildNumber(2600);

    platform::FakeKernel fake{ConsoleStringTable()};
    fake.process.executablePath = std::string(MENDORA_GENERATED_FILES) + "/Mendrix.exe";  // RevertBoot, Device.ini
    fake.modules.modules["QDLL"] = FakeLibrarySymbols();
    for (auto& [name, entry] : RunLibrarySymbols()) fake.modules.modules["QDLL"][name] = entry;
    FakeLibrary().bad = 3, FakeLibrary().total = 128, FakeLibrary().divisor = 1;
    platform::NativeFileSystem files;  // the engine reads the revert image
    GrabbingMessages messages;
    platform::Kernel kernel{fake.tempRoot, fake.process, files,    fake.mutexes, fake.version,  fake.rights,
                            fake.resources, fake.debug,  fake.clock, messages,   fake.registry, fake.profiles,
                            fake.events,   fake.modules};
    NoDisks noDisks;
    Gate revertHeld, repairHeld;
    FakeLibrary().repairGate = &repairHeld;
    HeldDrives drives({image}, noDisks, fake.clock, revertHeld, 300);
    FakeDeviceChanges changes;

    platform::QtUiHost qt;
    RepairDialog dialog(kernel, DialogServices{&drives, &changes});
    std::map<std::string, bool> grabbed;
    auto grab = [&](const std::string& name) {
        dialog.UpdateWindow();
        grabbed[name] = qt.Grab(dialog, kShots + "/" + name + ".png");
    };
    messages.onBox = [&](const std::string& text) {
        if (text == "Repair complete, Please un-plug device") grab("final");
    };
    // Grabs on the dialog thread and waits until it is done.
    auto grabFromOutside = [&](const std::string& name) {
        std::promise<void> done;
        platform::WindowSystem::Get().PostTask([&] {
            grab(name);
            done.set_value();
        });
        done.get_future().wait();
    };
    std::thread conductor([&] {
        if (!revertHeld.AwaitVisitor()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // two status updates
        grabFromOutside("reverting");
        revertHeld.Open();
        if (!repairHeld.AwaitVisitor()) return;
        FakeLibrary().progress = 40;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        grabFromOutside("library");
        repairHeld.Open();
    });
    platform::WindowSystem::Get().PostTask([&] {
        grab("init");
        dialog.SendMessage(platform::WM_COMMAND, platform::MAKEWPARAM(platform::IDOK, platform::BN_CLICKED), 0);
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    revertHeld.Open();
    repairHeld.Open();
    conductor.join();
    FakeLibrary().repairGate = nullptr;

    for (const char* name : {"init", "reverting", "library", "final"}) {
        EXPECT_TRUE(grabbed[name]) << name;
        EXPECT_GT(std::filesystem::file_size(kShots + "/" + name + ".png"), 1000u) << name;
    }
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 1);
}

}  // namespace
}  // namespace mendora::testing

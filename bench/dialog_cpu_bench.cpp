// How busy the dialog thread keeps itself while the device library repairs the drive: the
// real dialog in the desktop host (offscreen) runs a whole repair of a small virtual drive
// with the revert engine, then a library whose repair takes three seconds of wall time
// while its progress climbs. The dialog thread's CPU time over that span is the figure.
// Prints one line.
#include <pthread.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "console/RepairDialog.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/fake/FakeServices.h"
#include "platform/kernel/linux/LinuxKernel.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/qt/QtUiHost.h"
#include "resources/EmbeddedResources.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace {

using namespace mendora;
using Steady = std::chrono::steady_clock;

constexpr double kRepairSeconds = 3.0;

vdrive::DriveSetup BenchDrive() {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 256, 16, 4};
    return setup;
}

// What the library phase measured.
struct Span {
    clockid_t dialogClock{};
    std::atomic<bool> measured{false};
    double cpuSeconds = 0;
    double wallSeconds = 0;
};
Span span;
std::atomic<int> progress{0};
std::atomic<int> state{0};

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The library, answering for the bench drive.
QdllHandle Create() { return 1; }
int One(QdllHandle) { return 1; }
int SelectDrive(QdllHandle, int) { return 1; }
int DeviceString(QdllHandle, char* text) {
    std::strcpy(text, "Bench QF90");
    return 1;
}
int FwVersion(QdllHandle, char* version) {
    std::strcpy(version, "Q90110");
    return 1;
}
int ChipId(QdllHandle, std::uint16_t* id, std::uint16_t* version) {
    *id = 0x0090, *version = 1;
    return 1;
}
int Letter(QdllHandle, int, char* letter) {
    *letter = 'D';
    return 1;
}
int DeviceAttrib(QdllHandle, std::uint8_t* flashId, std::uint8_t* model, std::uint8_t* attribute,
                 std::uint8_t* zoneBank, std::uint8_t* chipCount) {
    const vdrive::DriveSetup setup = BenchDrive();
    std::memcpy(flashId, setup.identity.flashId, 5);
    *model = 0x90, *attribute = 0, *zoneBank = setup.identity.zoneBank;
    *chipCount = static_cast<std::uint8_t>(setup.geometry.chipEnables);
    return 1;
}
int FlashAttrib(QdllHandle, std::uint16_t* sectors, std::uint16_t* logSectors, std::uint16_t* blocks,
                std::uint16_t* zones, std::uint8_t* a1, std::uint8_t* redundant) {
    const vdrive::Geometry g = BenchDrive().geometry;
    *sectors = static_cast<std::uint16_t>(g.pagesPerBlock);
    *logSectors = static_cast<std::uint16_t>(g.SectorsPerBlock());
    *blocks = static_cast<std::uint16_t>(g.blocksPerZone);
    *zones = static_cast<std::uint16_t>(g.zones);
    *a1 = 0, *redundant = 8;
    return 1;
}
int Progress(QdllHandle) { return progress; }
int State(QdllHandle) { return state; }
std::uint32_t ErrorCode(QdllHandle) { return 0; }
int BadBlocks(QdllHandle, std::uint32_t* bad, std::uint32_t* total, std::uint16_t* divisor) {
    *bad = 3, *total = 256, *divisor = 1;
    return 1;
}
int Repair(QdllHandle, std::uint8_t) {
    const auto start = Steady::now();
    const double cpuStart = CpuSeconds(span.dialogClock);
    double elapsed = 0;
    while ((elapsed = std::chrono::duration<double>(Steady::now() - start).count()) < kRepairSeconds) {
        progress = static_cast<int>(elapsed * 100 / kRepairSeconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    span.cpuSeconds = CpuSeconds(span.dialogClock) - cpuStart;
    span.wallSeconds = std::chrono::duration<double>(Steady::now() - start).count();
    span.measured = true;
    progress = 100;
    state = 0xFF;
    return 1;
}

platform::FakeModuleLoader::Symbols Library() {
    auto entry = [](auto* function) { return reinterpret_cast<void*>(function); };
    return {
        {"QDLL_CreateCUSBDevice", entry(&Create)},      {"QDLL_DeviceExist", entry(&One)},
        {"QDLL_GetNumberOfDrive", entry(&One)},         {"QDLL_SetCurrentDriveNumber", entry(&SelectDrive)},
        {"QDLL_GetDeviceString", entry(&DeviceString)}, {"QDLL_GetFwVersion", entry(&FwVersion)},
        {"QDLL_GetChipID", entry(&ChipId)},             {"QDLL_GetDriveLetter", entry(&Letter)},
        {"QDLL_GetDeviceAttrib", entry(&DeviceAttrib)}, {"QDLL_GetFlashAttrib", entry(&FlashAttrib)},
        {"QDLL_GetCurrentProgress", entry(&Progress)},  {"QDLL_GetCurrentState", entry(&State)},
        {"QDLL_RunRepairDevice", entry(&Repair)},       {"QDLL_GetBADBlockInfomation", entry(&BadBlocks)},
        {"QDLL_GetErrorCode", entry(&ErrorCode)},
    };
}

// Message boxes answered with OK at once.
class AnswerOk : public platform::MessageHost {
public:
    int MessageBox(const std::string&, const std::string&, platform::MessageButtons) override { return platform::kIdOk; }
    [[noreturn]] void FatalExit(const std::string& text) override {
        std::fprintf(stderr, "dialog-cpu: %s\n", text.c_str());
        std::exit(1);
    }
    bool ActivateWindow(const std::string&) override { return false; }
};

class NoChanges : public platform::DeviceChangeSource {
public:
    bool Start(Listener) override { return true; }
    void Stop() override {}
};

using NoDisks = platform::NoUsbDisks;

}  // namespace

int main() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "*.warning=false", 1);
    char dir[] = "/tmp/mendora-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    const std::string image = std::string(dir) + "/drive.img";
    std::string error;
    if (!vdrive::VirtualDrive::Create(image, BenchDrive(), &error)) {
        std::fprintf(stderr, "dialog-cpu: %s\n", error.c_str());
        return 1;
    }

    platform::TableResources resources(EmbeddedResourceTable(), platform::kLangEnglish);
    AnswerOk messages;
    platform::LinuxKernel linux(resources, messages);
    platform::FakeProcessHost process;
    process.executablePath = std::string(MENDORA_GENERATED_FILES) + "/Mendrix.exe";  // RevertBoot, Device.ini
    platform::FakeModuleLoader modules;
    modules.modules["QDLL"] = Library();
    platform::Kernel kernel{linux.tempRoot, process,  linux.files,    linux.mutexes,  linux.version,
                            linux.rights,   resources, linux.debug,   linux.clock,    messages,
                            linux.registry, linux.profiles, linux.events, modules};
    NoDisks noDisks;
    platform::DriveNamespace drives({image}, noDisks, linux.clock);
    NoChanges changes;

    pthread_getcpuclockid(pthread_self(), &span.dialogClock);
    int ended = 0;
    {
        platform::QtUiHost host;
        RepairDialog dialog(kernel, DialogServices{&drives, &changes});
        platform::WindowSystem::Get().PostTask(
            [&dialog] { dialog.SendMessage(platform::WM_COMMAND, platform::MAKEWPARAM(platform::IDOK, platform::BN_CLICKED), 0); });
        ended = static_cast<int>(dialog.DoModal());
    }
    std::filesystem::remove_all(dir);
    if (!span.measured || span.wallSeconds <= 0) {
        std::fprintf(stderr, "dialog-cpu: the library phase was not reached (dialog ended with %d)\n", ended);
        return 1;
    }
    std::printf("dialog-cpu: %.4f (dialog thread CPU time / wall time during the library phase) goal 0.05\n",
                span.cpuSeconds / span.wallSeconds);
    return 0;
}

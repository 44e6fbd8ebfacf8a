// One complete revert of the qf90 preset on a fresh image, timing how much of the run is
// spent outside the virtual drive's command handler (the engine's own share).
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "console/RevertSequence.h"
#include "flash/RevertEngine.h"
#include "platform/kernel/linux/InihProfileReader.h"
#include "platform/kernel/linux/LinuxFileSystem.h"
#include "platform/scsi/DriveNamespace.h"
#include "protocol/RevertImageFormat.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace {

using namespace mendora;
using Clock = std::chrono::steady_clock;

// Adds up the time spent inside the drive for every command.
class TimedTransport : public platform::ScsiTransport {
public:
    TimedTransport(std::unique_ptr<platform::ScsiTransport> inner, Clock::duration& inside)
        : inner_(std::move(inner)), inside_(inside) {}
    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        auto start = Clock::now();
        platform::ScsiResult result = inner_->Execute(request);
        inside_ += Clock::now() - start;
        return result;
    }

private:
    std::unique_ptr<platform::ScsiTransport> inner_;
    Clock::duration& inside_;
};

class TimedDrives : public platform::DriveNamespace {
public:
    TimedDrives(const std::string& image, platform::UsbDiskFinder& finder, platform::Clock& clock)
        : DriveNamespace({image}, finder, clock) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string& name, std::string* error) override {
        auto drive = DriveNamespace::Open(name, error);
        return drive ? std::make_unique<TimedTransport>(std::move(drive), inside) : nullptr;
    }
    Clock::duration inside{};
};

using NoDisks = platform::NoUsbDisks;

// The controller's waits cost no time here: the run measures work, not pauses.
struct InstantClock : platform::Clock {
    std::uint64_t TickCount() override { return 0; }
    void Sleep(std::uint32_t) override {}
    std::int64_t CalendarTime() override { return 1'700'000'000; }
    platform::TimeOfDay LocalTimeOfDay() override { return {}; }
};

struct NoRegistry : platform::Registry {
    std::optional<std::uint32_t> ReadDword(const std::string&, const std::string&) override { return std::nullopt; }
};

struct NoMessages : platform::MessageHost {
    int MessageBox(const std::string& text, const std::string&, platform::MessageButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::kIdOk;
    }
    [[noreturn]] void FatalExit(const std::string&) override { std::exit(1); }
    bool ActivateWindow(const std::string&) override { return false; }
};

void WriteRevertImage(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    std::vector<std::uint8_t> file(revert::kMinFileSize, 0);
    std::uint8_t* ram = file.data() + revert::kRamImageOffset;
    for (std::size_t i = revert::kRamHeaderSize; i < revert::kRamImageSize; ++i) ram[i] = static_cast<std::uint8_t>(i);
    revert::SealRamImage(ram, revert::kModelQf90, 1, 0xF010);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

void FillRecords(const vdrive::DriveSetup& s, FlashGeometry& geo, RevertOptions& options) {
    geo.DriveName[0] = 'D', geo.DriveName[1] = ':';
    geo.model = 0x0090;
    geo.chipcnt = s.geometry.chipEnables;
    for (int i = 0; i < 5; ++i) geo.chipid[i] = s.identity.flashId[i];
    geo.zbank = s.identity.zoneBank;
    geo.maxBlocks = s.geometry.blocksPerZone;
    geo.maxZones = s.geometry.zones;
    geo.PagesPerBlock = s.geometry.pagesPerBlock;
    geo.SectorsPerPage = s.geometry.sectorsPerPage;
    geo.SectorsPerBlocks = s.geometry.SectorsPerBlock();
    geo.BlocksPerChip = s.geometry.BlocksPerChip();
    geo.ReduantSymbol = s.identity.redundantSymbol;
    geo.ProgressShare = 100;
    options.EccLimit = 2;
    options.SettingIndexA = 1;
    options.SettingIndexB = 3;
    options.PageListCount = 6;
}

}  // namespace

int main() {
    auto dir = std::filesystem::temp_directory_path() / ("mendora-revert-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    std::string error;
    const std::string image = (dir / "qf90.img").string();
    if (!vdrive::VirtualDrive::Create(image, setup, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    WriteRevertImage(dir / "RevertBoot/90/q90s.bin");

    NoDisks none;
    InstantClock clock;
    TimedDrives drives(image, none, clock);
    platform::LinuxFileSystem files;
    NoRegistry registry;
    platform::InihProfileReader profiles;
    NoMessages messages;
    RevertHost host{drives, files, registry, profiles, messages, clock, dir.string()};
    FlashGeometry geo;
    RevertOptions options;
    FillRecords(setup, geo, options);

    auto start = Clock::now();
    std::uint8_t result;
    {
        RevertEngine engine("", geo, options, 0, host);
        EnginePasses passes(engine);
        result = RunRevertSequence(passes, geo, options.EccLimit);
    }
    double whole = std::chrono::duration<double>(Clock::now() - start).count();
    double inside = std::chrono::duration<double>(drives.inside).count();
    std::filesystem::remove_all(dir);

    std::printf("revert: %.3f (time outside the virtual drive's command handler / whole run) goal 0.10\n",
                whole > 0 ? (whole - inside) / whole : 0.0);
    std::fflush(stdout);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double blocks = static_cast<double>(setup.geometry.TotalBlocks());
    std::fprintf(stderr, "revert result %u, %.0f blocks in %.2f s (%.0f blocks/s), drive %.2f s, peak RSS %ld KiB\n",
                 result, blocks, whole, blocks / whole, inside, usage.ru_maxrss);
    return result == 2 ? 0 : 1;
}

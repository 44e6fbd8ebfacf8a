// The station on virtual drives at USB 2.0 speed: eight and thirty-two drives at once against
// one alone, a whole repair against the time its commands take in the drive model, and the
// CPU the station and its workers use while they wait for the drives.
#include <sys/resource.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/WholeRepair.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace {

using namespace mendora;

struct Timing {
    double wall = 0;
    double cpu = 0;  // station and workers
    bool ok = false;
};

double ChildrenCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::vector<std::string> MakeDrives(const std::string& root, const std::string& prefix, int count) {
    std::vector<std::string> images;
    for (int i = 0; i < count; ++i) {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{1, 1, 1024, 8, 4};
        setup.plantings.factoryBad = 2;
        setup.plantings.weak = 1;
        setup.speed = vdrive::SpeedModel::Usb2;
        images.push_back(root + "/" + prefix + std::to_string(i) + ".img");
        std::string error;
        if (!vdrive::VirtualDrive::Create(images.back(), setup, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    }
    return images;
}

Timing RunStation(const std::string& root, const std::vector<std::string>& images) {
    std::vector<std::string> args = {"--yes", "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root, "PATH=/usr/bin:/bin", "LANG=C"};
    Timing t;
    const double cpu = ChildrenCpu(), started = bench::Now();
    t.ok = bench::RunProgram(bench::BinDirectory() + "/mendora-station", args, env, root + "/station.out") == 0;
    t.wall = bench::Now() - started;
    t.cpu = ChildrenCpu() - cpu;
    return t;
}

std::optional<vdrive::DriveInfo> InfoOf(const std::string& image) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    return drive ? drive->Info(&error) : std::nullopt;
}

double ModelledSeconds(const std::string& image) {
    auto info = InfoOf(image);
    return info ? static_cast<double>(info->modelledMicros) / 1e6 : 0;
}

}  // namespace

int main() {
    bench::PrivateRoot root;
    auto one = MakeDrives(root.Path(), "one", 1);
    auto eight = MakeDrives(root.Path(), "eight", 8);
    auto many = MakeDrives(root.Path(), "many", 32);
    Timing alone = RunStation(root.Path(), one);
    Timing together = RunStation(root.Path(), eight);
    Timing crowd = RunStation(root.Path(), many);
    if (!alone.ok || !together.ok || !crowd.ok) {
        std::fprintf(stderr, "bench_station: a repair did not finish\n");
        return 1;
    }
    std::printf("station: %.3f (wall time of 8 drives at once / one drive alone, same run) goal 1.15\n",
                together.wall / alone.wall);
    std::printf("repair-usb2: %.3f (whole repair of one drive / the time its commands take in the drive model) "
                "goal 1.05\n",
                alone.wall / ModelledSeconds(one.front()));
    std::printf("station-cpu: %.3f (station and worker CPU time / wall time, 8 drives) goal 0.10\n",
                together.cpu / together.wall);
    std::printf("station-32: %.3f (wall time of 32 drives at once / one drive alone, USB 2.0 model) goal 1.2\n",
                crowd.wall / alone.wall);
    std::printf("station-cpu-32: %.3f (station and worker CPU / wall, 32 drives) goal 0.05\n", crowd.cpu / crowd.wall);
    return 0;
}

// Unpacks both boot-code archives the way start-up does and compares the time with
// tar -xzf of the same files packed as one tar.gz. Prints one line:
//   unpack: <ratio> (ours / tar) goal 1.5
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "archive/BootArchive.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/linux/LinuxKernel.h"
#include "platform/ui/TerminalMessageHost.h"

namespace {

namespace fs = std::filesystem;
using namespace mendora;

constexpr int kRuns = 7;

struct Archive {
    std::string path;    // copy inside the bench directory
    std::string folder;  // output folder below each run's directory
};

double BestSeconds(const std::function<void(const std::string&)>& run, const std::string& prefix) {
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        std::string target = prefix + std::to_string(i) + "/";
        fs::create_directories(target);
        auto start = std::chrono::steady_clock::now();
        run(target);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void UnpackOurs(platform::Kernel& kernel, const Archive (&archives)[2], const std::string& target) {
    BootArchive archive(kernel);
    for (const Archive& each : archives) {
        if (!archive.Open(each.path, false)) {
            std::fprintf(stderr, "bench_unpack: cannot open %s\n", each.path.c_str());
            std::exit(1);
        }
        archive.outputDirectory = target + each.folder + "/";
        archive.Rewind();
        while (archive.ExtractNext() == 1) {
        }
        archive.Close();
    }
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_unpack BOOTCODE.r RBOOTCODE.r\n");
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "mendora-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 1;
    std::string work = pattern + "/";

    // Archives sit in the work directory at start-up, and scratch files go beside them.
    Archive archives[2] = {{work + "BootCode.r", "Boot"}, {work + "RBootCode.r", "RevertBoot"}};
    for (int i = 0; i < 2; ++i) fs::copy_file(argv[i + 1], archives[i].path);

    platform::TableResources resources({}, platform::kLangEnglish);
    platform::TerminalMessageHost messages;
    platform::LinuxKernel linuxKernel(resources, messages);

    double ours = BestSeconds([&](const std::string& target) { UnpackOurs(linuxKernel.kernel, archives, target); },
                              work + "ours");

    std::string tarball = work + "files.tar.gz";
    if (Shell("tar -czf " + tarball + " -C " + work + "ours0 Boot RevertBoot") != 0) return 1;
    double tar = BestSeconds([&](const std::string& target) { Shell("tar -xzf " + tarball + " -C " + target); },
                             work + "tar");

    fs::remove_all(pattern);
    std::printf("unpack: %.2f (ours / tar) goal 1.5\n", ours / tar);
    return 0;
}

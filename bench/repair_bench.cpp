// The whole repair of the qf90 preset (start-up, revert, library phase, final message)
// against the revert alone with mendora-revert, each on a fresh image of the same preset.
// Prints one line.
#include <cstdio>

#include "bench/WholeRepair.h"

int main() {
    using namespace mendora::bench;
    PrivateRoot root;
    const std::string bin = BinDirectory();
    const std::string whole = root.Path() + "/whole.img";
    const std::string alone = root.Path() + "/alone.img";
    const std::string log = root.Path() + "/tools.out";
    for (const std::string& image : {whole, alone}) {
        if (RunProgram(bin + "/mendora-vdrive", {"create", image, "--preset", "qf90"}, {}, log) != 0) {
            std::fprintf(stderr, "repair: cannot create the virtual drive\n");
            return 1;
        }
    }
    const double revertStart = Now();
    const int revert = RunProgram(bin + "/mendora-revert", {"--vdrive", alone}, {}, log);
    const double revertSeconds = Now() - revertStart;
    if (revert != 0) {
        std::fprintf(stderr, "repair: mendora-revert failed (%d)\n", revert);
        return 1;
    }
    RepairOutcome repair = RunWholeRepair(whole, root.Path());
    if (!repair.complete) {
        std::fprintf(stderr, "repair: the repair did not complete\n%s", repair.output.c_str());
        return 1;
    }
    std::printf("repair: %.3f (whole repair of the qf90 preset / the revert alone with mendora-revert, same run) "
                "goal 1.2\n",
                repair.seconds / revertSeconds);
    return 0;
}

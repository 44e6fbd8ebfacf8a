// How busy the dialog thread keeps itself while the device library repairs the drive: its
// CPU time over the wall time of the library phase of a whole repair of the qf90 preset.
// Prints one line.
#include <cstdio>

#include "bench/WholeRepair.h"

int main() {
    using namespace mendora::bench;
    PrivateRoot root;
    const std::string image = root.Path() + "/qf90.img";
    const std::string log = root.Path() + "/tools.out";
    if (RunProgram(BinDirectory() + "/mendora-vdrive", {"create", image, "--preset", "qf90"}, {}, log) != 0) {
        std::fprintf(stderr, "dialog-cpu: cannot create the virtual drive\n");
        return 1;
    }
    RepairOutcome repair = RunWholeRepair(image, root.Path());
    if (!repair.complete || repair.libraryWallSeconds <= 0) {
        std::fprintf(stderr, "dialog-cpu: the repair did not complete\n%s", repair.output.c_str());
        return 1;
    }
    std::printf("dialog-cpu: %.3f (dialog thread CPU time / wall time during the library phase) goal 0.05\n",
                repair.libraryDialogCpuSeconds / repair.libraryWallSeconds);
    return 0;
}

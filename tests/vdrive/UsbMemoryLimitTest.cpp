// A hostile USB host against the mass-storage function in a process whose address space
// may grow by no more than 256 MiB: the wrappers announcing 4 GiB get their phase error
// and the process lives on.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "vdrive/UsbMassStorage.h"

namespace mendora::vdrive::usb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The address space the process has now, in bytes.
std::uint64_t AddressSpace() {
    unsigned long long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
    if (statm != nullptr) std::fclose(statm);
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

Bytes FourGibWrapper(std::uint8_t direction) {
    Bytes w = {0x55, 0x53, 0x42, 0x43, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, direction, 0, 6, 0x12, 0, 0, 0, 36};
    w.resize(31, 0);
    return w;
}

// Exits 0 when both wrappers end in a phase error under the limit.
[[noreturn]] void ServeUnderLimit() {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = AddressSpace() + (256u << 20);
    if (AddressSpace() == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    MassStorageFunction function("MV0123", [](const Command&) { return Reply{}; });
    bool phaseErrors = true;
    for (std::uint8_t direction : {std::uint8_t{0x80}, std::uint8_t{0x00}}) {
        function.Reset();
        function.BulkOut(FourGibWrapper(direction));
        if (direction == 0) function.BulkOut(Bytes(512, 0));  // stalled; the host clears it
        else function.BulkIn(512);
        PacketAnswer status = function.BulkIn(13);
        phaseErrors = phaseErrors && status.data.size() == 13 && status.data[12] == 2;
    }
    std::_Exit(phaseErrors ? 0 : 1);
}

TEST(UsbMassStorageMemory, FourGibWrappersGetAPhaseErrorUnderAMemoryLimit) {
    EXPECT_EXIT(ServeUnderLimit(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mendora::vdrive::usb

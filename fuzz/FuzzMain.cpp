// The libFuzzer entry of one target; MENDORA_FUZZ_TARGET names it at compile time.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return mendora::fuzz::MENDORA_FUZZ_TARGET::FuzzOne(data, size);
}

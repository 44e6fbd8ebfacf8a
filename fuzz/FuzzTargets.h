#pragma once
#include <cstddef>
#include <cstdint>

// Every fuzz target: one entry function per reader of outside input. The libFuzzer binaries
// and the regression test call the same functions, so a saved input replays exactly.
// X(name) for each target; the name is its binary (fuzz_<name>) and its regression folder.
#define MENDORA_FUZZ_TARGETS(X) \
    X(archive)                  \
    X(gzip)                     \
    X(profile)                  \
    X(regfile)                  \
    X(vdrive_image)             \
    X(scsi_replies)             \
    X(image_checks)             \
    X(pattern_files)            \
    X(revert_engine)            \
    X(usb_mass_storage)

namespace mendora::fuzz {
#define MENDORA_DECLARE_FUZZ_TARGET(name) \
    namespace name {                      \
    int FuzzOne(const std::uint8_t* data, std::size_t size); \
    }
MENDORA_FUZZ_TARGETS(MENDORA_DECLARE_FUZZ_TARGET)
#undef MENDORA_DECLARE_FUZZ_TARGET
}  // namespace mendora::fuzz

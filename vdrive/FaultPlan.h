#pragma once
#include <cstdint>
#include <optional>

#include "vdrive/Controller.h"
#include "vdrive/ImageFormat.h"

namespace mendora::vdrive {

// A fault to plan into an image: the command `opcode` fails at the transport (or stalls
// until its timeout, or is carried out `delayMilliseconds` late) on `block` of `chip`
// (kAnyBlock, kAnyChip: wherever it goes), `times` times or, with 0, every time.
struct FaultPlan {
    format::FaultKind kind = format::FaultKind::FailCommand;
    std::uint8_t opcode = 0;
    std::uint8_t chip = format::kAnyChip;
    std::uint32_t block = format::kAnyBlock;
    std::uint32_t times = 0;
    std::uint32_t delayMilliseconds = 0;
};

// The planned fault this command runs into, consuming one of its times; none when no plan
// matches. Needs the image locked.
std::optional<format::FaultRecord> TakeFault(format::State& state, const Geometry& geometry,
                                           std::span<const std::uint8_t> cdb);

}  // namespace mendora::vdrive

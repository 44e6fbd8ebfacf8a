#include "vdrive/FaultPlan.h"

#include <algorithm>

namespace mendora::vdrive {

namespace {

bool Matches(const format::FaultRecord& f, std::span<const std::uint8_t> cdb,
             const std::optional<CommandTarget>& target) {
    if (f.kind == format::FaultKind::None || cdb.empty() || cdb[0] != f.opcode) return false;
    if (f.chip != format::kAnyChip && !(target && (target->mask & (1u << (2 * f.chip))))) return false;
    if (f.block != format::kAnyBlock && !(target && target->block == f.block)) return false;
    return true;
}

void Remove(format::State& state, std::uint32_t index) {
    std::copy(state.faults + index + 1, state.faults + state.faultCount, state.faults + index);
    state.faults[--state.faultCount] = format::FaultRecord{};
}

}  // namespace

std::optional<format::FaultRecord> TakeFault(format::State& state, const Geometry& geometry,
                                           std::span<const std::uint8_t> cdb) {
    std::optional<CommandTarget> target = TargetOf(geometry, cdb);
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(state.faultCount, format::kMaxFaults); ++i) {
        format::FaultRecord& f = state.faults[i];
        if (!Matches(f, cdb, target)) continue;
        const format::FaultRecord taken = f;
        if (f.remaining == 1) {
            Remove(state, i);
        } else if (f.remaining > 1) {
            --f.remaining;
        }
        return taken;
    }
    return std::nullopt;
}

}  // namespace mendora::vdrive

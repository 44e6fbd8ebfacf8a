#include "vdrive/VirtualDrive.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "vdrive/Controller.h"
#include "vdrive/ImageLayout.h"
#include "vdrive/LogicalDisk.h"
#include "vdrive/Nand.h"

namespace mendora::vdrive {

namespace {

Reply Dropped(TransportError error) {
    Reply r;
    r.error = error;
    return r;
}

}  // namespace

VirtualDrive::VirtualDrive(std::unique_ptr<ImageFile> image) : image_(std::move(image)) {
    if (const char* trace = std::getenv(kTraceVariable); trace != nullptr && *trace != '\0') SetTraceFile(trace);
}

std::unique_ptr<VirtualDrive> VirtualDrive::Create(const std::string& path, const DriveSetup& setup,
                                                   std::string* error) {
    auto image = ImageFile::Create(path, setup, error);
    if (!image) return nullptr;
    if (setup.formatted) {
        if (!image->Lock(error)) return nullptr;
        LogicalDisk(*image).Format();
        image->Unlock();
    }
    return std::unique_ptr<VirtualDrive>(new VirtualDrive(std::move(image)));
}

std::unique_ptr<VirtualDrive> VirtualDrive::Open(const std::string& path, std::string* error, ImageAccess access) {
    auto image = ImageFile::Open(path, error, access);
    return image ? std::unique_ptr<VirtualDrive>(new VirtualDrive(std::move(image))) : nullptr;
}

void VirtualDrive::SetTraceFile(const std::string& path) { trace_ = std::make_unique<TraceFile>(path); }

Reply VirtualDrive::Execute(const Command& command) {
    std::string error;
    Reply reply = Dropped(TransportError::NoDevice);
    std::chrono::microseconds modelled{0};
    std::chrono::milliseconds late{0};
    if (!image_->writable()) {
        reply = Dropped(TransportError::Failed);
    } else if (image_->Lock(&error)) {
        FlashWork work;
        reply = Carry(command, &work, &late);
        // Cut short under the command: what it read or wrote is lost with the file.
        if (image_->Damaged()) reply = Dropped(TransportError::NoDevice);
        const auto model = static_cast<SpeedModel>(image_->header().speedModel);
        modelled = CommandTime(model, command.data.size(), work) + late;
        if (!image_->Damaged()) image_->state().modelledMicros += static_cast<std::uint64_t>(modelled.count());
        image_->Unlock();
    }
    if (trace_) trace_->Append(TraceLine(command, reply));
    Wait(modelled, late);
    return reply;
}

// The drive is busy for the modelled time, paid in waits of at least kLeastWait: a command
// of a few hundred microseconds adds to the time owed, and the opener waits once it is
// owed enough. The drive's time is the same, with a fraction of the wakeups. A late answer
// is waited for at once. Other openers of the image are not held up.
void VirtualDrive::Wait(std::chrono::microseconds modelled, std::chrono::milliseconds late) {
    constexpr std::chrono::microseconds kLeastWait{5000};
    waitOwed_ += modelled;
    if (late.count() == 0 && waitOwed_ < kLeastWait) return;
    std::this_thread::sleep_for(waitOwed_);
    waitOwed_ = std::chrono::microseconds{0};
}

Reply VirtualDrive::Carry(const Command& command, FlashWork* work, std::chrono::milliseconds* late) {
    format::State& state = image_->state();
    if (!state.plugged) return Dropped(TransportError::NoDevice);
    if (state.removeAfter == 0) {
        Unplug();
        return Dropped(TransportError::NoDevice);
    }
    if (state.removeAfter > 0) --state.removeAfter;
    ++state.commandCount;
    std::uint32_t lateBy = 0;
    if (auto fault = TakeFault(state, image_->geometry(), command.cdb)) {
        if (fault->kind != format::FaultKind::Slow)
            return Dropped(fault->kind == format::FaultKind::Stall ? TransportError::Timeout : TransportError::Failed);
        lateBy = fault->delayMilliseconds;
    }
    Controller controller(*image_);
    Reply reply = controller.Execute(command);
    *work = controller.Work();
    *late = std::chrono::milliseconds(lateBy);
    return reply;
}

bool VirtualDrive::Unplug() {
    format::State& state = image_->state();
    state.plugged = 0;
    state.removeAfter = -1;
    ++state.plugGeneration;
    PowerOn(state);
    return image_->PublishPlugState();
}

template <typename Change>
bool VirtualDrive::Modify(std::string* error, Change change) {
    if (!image_->writable()) {
        if (error != nullptr) *error = image_->path() + " is open for reading only";
        return false;
    }
    return Read(error, change);
}

template <typename Look>
bool VirtualDrive::Read(std::string* error, Look look) {
    if (!image_->Lock(error)) return false;
    bool done = look(image_->state());
    image_->Unlock();
    return done;
}

bool VirtualDrive::SetPlugged(bool plugged, std::string* error) {
    return Modify(error, [&](format::State& state) {
        if (static_cast<bool>(state.plugged) == plugged) return true;
        bool published = false;
        if (plugged) {
            state.plugged = 1;
            ++state.plugGeneration;
            PowerOn(state);
            published = image_->PublishPlugState();
        } else {
            published = Unplug();
        }
        // The drive has changed either way; only its watchers could not be told.
        if (published) return true;
        if (error != nullptr)
            *error = "cannot write the plug state to " + image_->path() + ": its watchers may not see the change";
        return false;
    });
}

bool VirtualDrive::AddFault(const FaultPlan& plan, std::string* error) {
    return Modify(error, [&](format::State& state) {
        if (state.faultCount >= format::kMaxFaults) {
            *error = "at most " + std::to_string(format::kMaxFaults) + " fault plans";
            return false;
        }
        state.faults[state.faultCount++] =
            format::FaultRecord{plan.kind, plan.opcode, plan.chip, 0, plan.block, plan.times, plan.delayMilliseconds};
        return true;
    });
}

bool VirtualDrive::RemoveAfter(std::int32_t commands, std::string* error) {
    return Modify(error, [&](format::State& state) {
        state.removeAfter = commands < 0 ? -1 : commands;
        return true;
    });
}

bool VirtualDrive::SetChipSilent(std::uint32_t chip, bool silent, std::string* error) {
    if (chip >= image_->geometry().chipEnables) {
        *error = "the drive has no chip " + std::to_string(chip);
        return false;
    }
    return Modify(error, [&](format::State& state) {
        state.silentChips = silent ? state.silentChips | (1u << chip) : state.silentChips & ~(1u << chip);
        return true;
    });
}

bool VirtualDrive::ClearFaults(std::string* error) {
    return Modify(error, [&](format::State& state) {
        for (auto& f : state.faults) f = format::FaultRecord{};
        state.faultCount = 0;
        state.removeAfter = -1;
        state.silentChips = 0;
        return true;
    });
}

bool VirtualDrive::SetBlockFlags(std::uint32_t chip, std::uint32_t block, std::uint8_t flags, std::string* error) {
    const Geometry& g = image_->geometry();
    if (chip >= g.chipEnables || block >= g.BlocksPerChip()) {
        *error = "no such block";
        return false;
    }
    return Modify(error, [&](format::State&) {
        image_->block(chip, block).flags = flags;
        return true;
    });
}

std::optional<std::vector<BlockStatus>> VirtualDrive::Blocks(std::string* error) {
    std::vector<BlockStatus> blocks;
    bool ok = Read(error, [&](format::State&) {
        Nand nand(*image_);
        const Geometry& g = image_->geometry();
        blocks.reserve(g.TotalBlocks());
        for (std::uint32_t chip = 0; chip < g.chipEnables; ++chip) {
            for (std::uint32_t b = 0; b < g.BlocksPerChip(); ++b) {
                blocks.push_back({chip, b, image_->block(chip, b).kind, nand.IsMarked(chip, b)});
            }
        }
        return true;
    });
    if (!ok) return std::nullopt;
    return blocks;
}

std::optional<DriveInfo> VirtualDrive::Info(std::string* error) {
    auto blocks = Blocks(error);
    if (!blocks) return std::nullopt;
    DriveInfo info;
    info.geometry = image_->geometry();
    for (const BlockStatus& b : *blocks) {
        info.factoryBad += b.kind == format::BlockKind::FactoryBad;
        info.grownBad += b.kind == format::BlockKind::GrownBad;
        info.weak += b.kind == format::BlockKind::Weak;
        if (b.marked) info.marked.push_back(b);
    }
    bool read = Read(error, [&](format::State& state) {
        info.identity = image_->identity();
        info.plugged = state.plugged != 0;
        info.speed = static_cast<SpeedModel>(image_->header().speedModel);
        info.modelledMicros = state.modelledMicros;
        info.storedPages = state.slotHighWater;
        info.diskReady = state.diskReady != 0;
        info.capacitySectors = state.diskReady ? state.diskSectors : 0;
        info.lies = LiesOf(image_->header());
        return true;
    });
    if (!read) return std::nullopt;
    return info;
}

}  // namespace mendora::vdrive

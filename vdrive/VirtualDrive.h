#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vdrive/Command.h"
#include "vdrive/DriveSetup.h"
#include "vdrive/FaultPlan.h"
#include "vdrive/ImageFile.h"
#include "vdrive/Trace.h"

namespace mendora::vdrive {

// The environment variable naming the trace file of every opened drive.
inline constexpr const char* kTraceVariable = "MENDORA_VDRIVE_TRACE";

struct BlockStatus {
    std::uint32_t chip = 0;
    std::uint32_t block = 0;
    format::BlockKind kind = format::BlockKind::Good;
    bool marked = false;  // first or last page carries a bad-block mark
};

struct DriveInfo {
    Identity identity;
    Geometry geometry;
    bool plugged = true;
    std::uint32_t factoryBad = 0;
    std::uint32_t grownBad = 0;
    std::uint32_t weak = 0;
    std::vector<BlockStatus> marked;
    std::uint32_t storedPages = 0;  // distinct page contents held
    bool diskReady = false;          // a low-level format built the disk
    std::uint64_t capacitySectors = 0;  // 0 when not ready
    Lies lies;                          // what the drive announces beyond it, what it loses
    SpeedModel speed = SpeedModel::None;
    std::uint64_t modelledMicros = 0;   // the time the speed model gave all commands so far
};

// A virtual USB flash drive in one image file. Any number of objects, in any processes,
// may open one image; each command and each change below is atomic among them all. A drive
// opened read-only answers Info() and Blocks() alone: its commands fail at the transport
// and its changes are refused.
class VirtualDrive {
public:
    static std::unique_ptr<VirtualDrive> Create(const std::string& path, const DriveSetup& setup,
                                                std::string* error);
    static std::unique_ptr<VirtualDrive> Open(const std::string& path, std::string* error,
                                              ImageAccess access = ImageAccess::ReadWrite);

    // Carries one command to the controller, or fails it at the transport when the drive
    // is unplugged or a fault plan says so; traced when a trace file is set.
    Reply Execute(const Command& command);

    // Plugging in or out powers the controller off: RAM and settings are lost.
    bool SetPlugged(bool plugged, std::string* error);
    bool AddFault(const FaultPlan& plan, std::string* error);
    // Removes the drive after this many more commands; -1 never.
    bool RemoveAfter(std::int32_t commands, std::string* error);
    bool SetChipSilent(std::uint32_t chip, bool silent, std::string* error);
    bool ClearFaults(std::string* error);
    bool SetBlockFlags(std::uint32_t chip, std::uint32_t block, std::uint8_t flags, std::string* error);

    std::optional<DriveInfo> Info(std::string* error);
    std::optional<std::vector<BlockStatus>> Blocks(std::string* error);

    const Geometry& geometry() const { return image_->geometry(); }
    const std::string& path() const { return image_->path(); }
    void SetTraceFile(const std::string& path);

private:
    explicit VirtualDrive(std::unique_ptr<ImageFile> image);
    template <typename Change>
    bool Modify(std::string* error, Change change);
    template <typename Look>
    bool Read(std::string* error, Look look);
    // `late`: how much later than modelled a slow command answers.
    Reply Carry(const Command& command, FlashWork* work, std::chrono::milliseconds* late);
    void Wait(std::chrono::microseconds modelled, std::chrono::milliseconds late);
    // Pulls the drive out; false when its watchers could not be told.
    bool Unplug();

    std::unique_ptr<ImageFile> image_;
    std::unique_ptr<TraceFile> trace_;
    std::chrono::microseconds waitOwed_{0};  // modelled time not yet waited for
};

}  // namespace mendora::vdrive

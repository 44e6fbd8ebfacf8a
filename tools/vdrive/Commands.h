#pragma once
// The commands of mendora-vdrive: each adds its options to its subcommand and runs on what
// they collected.
#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vdrive/VirtualDrive.h"

namespace mendora::tools {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Prints "mendora-vdrive: <message>" on stderr and answers code.
int Fail(const std::string& message, int code = kExitFailure);

struct CreateArgs {
    std::string preset = "qf90";
    // Changes to the preset's setup, one per number option given.
    std::vector<std::function<void(vdrive::DriveSetup&)>> edits;
    std::optional<std::string> flashId, firmware, speed, fakeCapacity;
    bool noFirmware = false;
    bool formatted = false;
};
void AddCreateOptions(CLI::App& command, CreateArgs& args);
int Create(const CreateArgs& args, const std::string& image);

struct FaultArgs {
    vdrive::FaultPlan plan;
    bool planned = false;  // --fail or --stall given
    std::optional<std::uint32_t> removeAfter, silentChip;
    std::optional<std::string> slipMark;
    bool clear = false;
};
void AddFaultOptions(CLI::App& command, FaultArgs& args);
int Fault(const FaultArgs& args, vdrive::VirtualDrive& drive);

// What `info` prints: a few lines, or one JSON object.
void PrintInfoText(const vdrive::DriveInfo& info);
void PrintInfoJson(const vdrive::DriveInfo& info);

}  // namespace mendora::tools

// mendora-vdrive fault: plans what goes wrong with an image's commands.
#include <cstdio>

#include "tools/common/CommandLine.h"
#include "tools/vdrive/Commands.h"

namespace mendora::tools {

void AddFaultOptions(CLI::App& c, FaultArgs& a) {
    using vdrive::format::FaultKind;
    auto plan = [&a](FaultKind kind) {
        return [&a, kind](std::uint64_t opcode) {
            a.plan.kind = kind, a.plan.opcode = static_cast<std::uint8_t>(opcode), a.planned = true;
        };
    };
    auto range = CLI::Range(std::uint64_t{0}, std::uint64_t{0xFF});
    auto* fail = c.add_option_function<std::uint64_t>("--fail", plan(FaultKind::FailCommand),
                                                      "the command with this opcode fails")
                     ->check(range)->type_name("OPCODE");
    auto* stall = c.add_option_function<std::uint64_t>("--stall", plan(FaultKind::Stall),
                                                       "the command with this opcode gets no answer")
                      ->check(range)->type_name("OPCODE")->excludes(fail);
    auto* slow = c.add_option_function<std::uint64_t>("--slow", plan(FaultKind::Slow),
                                                      "the command with this opcode answers --delay late")
                     ->check(range)->type_name("OPCODE")->excludes(fail)->excludes(stall);
    AddNumber(c, "--delay", &a.plan.delayMilliseconds, 600000, "milliseconds a --slow command is late")
        ->type_name("MS")->needs(slow);
    AddNumber(c, "--chip", &a.plan.chip, 3, "only on this chip");
    AddNumber(c, "--block", &a.plan.block, 0xFFFFFFFE, "only on this block");
    AddNumber(c, "--times", &a.plan.times, 0xFFFFFFFF, "this many times (0: always)");
    std::vector<CLI::Option*> alone = {
        AddNumber(c, "--remove-after", &a.removeAfter, 0x7FFFFFFF, "the drive is pulled out after K commands")
            ->type_name("K"),
        AddNumber(c, "--silent-chip", &a.silentChip, 3, "this chip answers nothing")->type_name("C"),
        c.add_option("--slip-mark", a.slipMark, "this block's bad mark does not hold")->type_name("C:B"),
        c.add_flag("--clear", a.clear, "forget every planned fault")};
    // Each of these is a fault of its own, planned apart from the others.
    for (auto* option : alone) {
        option->excludes(fail)->excludes(stall)->excludes(slow);
        for (auto* other : alone)
            if (other != option) option->excludes(other);
    }
}

int Fault(const FaultArgs& a, vdrive::VirtualDrive& drive) {
    std::string error;
    if (a.clear) return drive.ClearFaults(&error) ? kExitOk : Fail(error);
    if (a.removeAfter) return drive.RemoveAfter(static_cast<std::int32_t>(*a.removeAfter), &error) ? kExitOk : Fail(error);
    if (a.silentChip) return drive.SetChipSilent(*a.silentChip, true, &error) ? kExitOk : Fail(error);
    if (a.slipMark) {
        unsigned chip = 0, block = 0;
        char end = 0;
        if (std::sscanf(a.slipMark->c_str(), "%u:%u%c", &chip, &block, &end) != 2)
            return Fail("--slip-mark wants CHIP:BLOCK", kExitUsage);
        return drive.SetBlockFlags(chip, block, vdrive::format::kMarkSlips, &error) ? kExitOk : Fail(error);
    }
    if (!a.planned) return Fail("fault: say what to plan (see --help)", kExitUsage);
    return drive.AddFault(a.plan, &error) ? kExitOk : Fail(error);
}

}  // namespace mendora::tools

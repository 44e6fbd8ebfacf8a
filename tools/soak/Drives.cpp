#include "tools/soak/Drives.h"

#include <fstream>

#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::soak {

std::string DrawPreset(std::mt19937& rng) {
    static const char* const kPresets[] = {"qf90", "qf70", "qf70-nofw"};
    return kPresets[rng() % std::size(kPresets)];
}

vdrive::DriveSetup SmallDrive(const std::string& preset, std::uint32_t plantingSeed) {
    vdrive::DriveSetup setup = vdrive::Preset(preset).value_or(vdrive::DriveSetup{});
    setup.geometry.zones = 1;
    setup.geometry.blocksPerZone = 64;
    setup.plantings.factoryBad = 2;
    setup.plantings.weak = 2;
    setup.plantings.seed = plantingSeed;
    return setup;
}

bool CreateDrive(const std::string& image, const vdrive::DriveSetup& setup, std::string* error) {
    return vdrive::VirtualDrive::Create(image, setup, error) != nullptr;
}

std::string CheckPlantedMarked(const std::string& image) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    if (!drive) return error;
    auto blocks = drive->Blocks(&error);
    if (!blocks) return error;
    int planted = 0;
    std::string unmarked;
    for (const vdrive::BlockStatus& b : *blocks) {
        if (b.kind == vdrive::format::BlockKind::Good) continue;
        ++planted;
        if (!b.marked) unmarked += " " + std::to_string(b.chip) + ":" + std::to_string(b.block);
    }
    if (planted == 0) return "no planted blocks";
    if (!unmarked.empty()) return "planted blocks left unmarked:" + unmarked;
    auto info = drive->Info(&error);
    if (!info) return error;
    if (!info->plugged) return "the drive is unplugged";
    return {};
}

bool Replug(const std::string& image, std::string* error) {
    auto drive = vdrive::VirtualDrive::Open(image, error);
    return drive && drive->ClearFaults(error) && drive->SetPlugged(false, error) && drive->SetPlugged(true, error);
}

long TraceLength(const std::string& traceFile) {
    std::ifstream in(traceFile);
    long lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

}  // namespace mendora::soak

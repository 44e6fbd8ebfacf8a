// mendora-vdrive: creates and inspects virtual drive images and plans their faults.
#include <algorithm>
#include <cstdio>
#include <vector>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/common/BlockMap.h"
#include "tools/vdrive/Options.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::tools {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: mendora-vdrive COMMAND IMAGE [OPTION]...\n"
    "Create and inspect virtual USB flash drive images.\n"
    "\n"
    "Commands:\n"
    "  create IMAGE [--preset NAME] [--chip-id N] [--chip-version N] [--flash-id A,B,C,D,E]\n"
    "               [--attribute N] [--zone-bank N] [--a1 N] [--redundant-symbol N]\n"
    "               [--firmware TEXT | --no-firmware] [--chip-enables N] [--zones N]\n"
    "               [--blocks-per-zone N] [--pages-per-block N] [--sectors-per-page N]\n"
    "               [--bad N] [--grown N] [--weak N] [--weak-bits N] [--seed S] [--formatted]\n"
    "               [--speed usb2|usb3|none]\n"
    "               (--formatted: ready as a disk over the unmarked blocks; else not ready;\n"
    "               --speed: each command takes the time of that bus and the flash's page\n"
    "               program, read and block erase times; none, the default, runs at once)\n"
    "  info IMAGE [--json]          identity, geometry, plug state and block counts\n"
    "  plug IMAGE | unplug IMAGE | replug IMAGE\n"
    "  fault IMAGE --fail OPCODE [--chip C] [--block B] [--times N]\n"
    "  fault IMAGE --stall OPCODE [--chip C] [--block B] [--times N]\n"
    "  fault IMAGE --remove-after K | --silent-chip C | --slip-mark C:B | --clear\n"
    "  map IMAGE --png FILE         a picture of every block, one band per chip\n"
    "\n"
    "Presets: qf90 (default), qf70, qf70-nofw, dual-channel, unsupported, vista-refused.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

int Fail(const std::string& message, int code = kExitFailure) {
    std::cerr << "mendora-vdrive: " << message << "\n";
    return code;
}

bool ReadNumber(const Options& o, const std::string& name, std::uint64_t max, auto* field, std::string* error) {
    std::uint64_t v = *field;
    if (!o.Number(name, max, &v, error)) return false;
    *field = static_cast<std::remove_reference_t<decltype(*field)>>(v);
    return true;
}

bool ParseFlashId(const std::string& text, std::uint8_t out[5]) {
    std::stringstream in(text);
    std::string part;
    for (int i = 0; i < 5; ++i) {
        if (!std::getline(in, part, ',')) return false;
        char* end = nullptr;
        unsigned long v = std::strtoul(part.c_str(), &end, 16);
        if (part.empty() || *end != '\0' || v > 0xFF) return false;
        out[i] = static_cast<std::uint8_t>(v);
    }
    return !std::getline(in, part, ',');
}

int Create(const Options& o, const std::string& image) {
    std::string presetName = o.Value("preset").value_or("qf90");
    auto setup = vdrive::Preset(presetName);
    if (!setup) return Fail("unknown preset " + presetName, kExitUsage);
    std::string error;
    vdrive::Identity& id = setup->identity;
    vdrive::Geometry& g = setup->geometry;
    vdrive::Plantings& p = setup->plantings;
    bool ok = ReadNumber(o, "chip-id", 0xFFFF, &id.chipId, &error) &&
              ReadNumber(o, "chip-version", 0xFF, &id.chipVersion, &error) &&
              ReadNumber(o, "attribute", 0xFF, &id.attribute, &error) &&
              ReadNumber(o, "zone-bank", 0xFF, &id.zoneBank, &error) && ReadNumber(o, "a1", 0xFF, &id.a1Version, &error) &&
              ReadNumber(o, "redundant-symbol", 0xFFFF, &id.redundantSymbol, &error) &&
              ReadNumber(o, "chip-enables", 4, &g.chipEnables, &error) &&
              ReadNumber(o, "zones", 65535, &g.zones, &error) &&
              ReadNumber(o, "blocks-per-zone", 65535, &g.blocksPerZone, &error) &&
              ReadNumber(o, "pages-per-block", 1024, &g.pagesPerBlock, &error) &&
              ReadNumber(o, "sectors-per-page", 64, &g.sectorsPerPage, &error) &&
              ReadNumber(o, "bad", 1u << 20, &p.factoryBad, &error) && ReadNumber(o, "grown", 1u << 20, &p.grownBad, &error) &&
              ReadNumber(o, "weak", 1u << 20, &p.weak, &error) && ReadNumber(o, "weak-bits", 255, &p.weakBits, &error) &&
              ReadNumber(o, "seed", 0xFFFFFFFF, &p.seed, &error);
    if (!ok) return Fail(error, kExitUsage);
    if (auto flash = o.Value("flash-id"); flash && !ParseFlashId(*flash, id.flashId))
        return Fail("--flash-id wants five hexadecimal bytes separated by commas", kExitUsage);
    if (auto fw = o.Value("firmware")) id.firmwareVersion = *fw;
    if (o.Has("no-firmware")) id.firmwareVersion.reset();
    setup->formatted = o.Has("formatted");
    if (auto speed = o.Value("speed")) {
        auto model = vdrive::SpeedModelNamed(*speed);
        if (!model) return Fail("--speed takes usb2, usb3 or none", kExitUsage);
        setup->speed = *model;
    }
    if (!vdrive::VirtualDrive::Create(image, *setup, &error)) return Fail(error);
    return kExitOk;
}

std::string JsonText(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}

void PrintJson(const vdrive::DriveInfo& info) {
    const auto& id = info.identity;
    const auto& g = info.geometry;
    std::ostringstream j;
    j << "{\n  \"chip_id\": " << id.chipId << ",\n  \"chip_version\": " << int{id.chipVersion}
      << ",\n  \"flash_id\": [";
    for (int i = 0; i < 5; ++i) j << (i ? ", " : "") << int{id.flashId[i]};
    j << "],\n  \"attribute\": " << int{id.attribute} << ",\n  \"zone_bank\": " << int{id.zoneBank}
      << ",\n  \"a1_version\": " << int{id.a1Version} << ",\n  \"redundant_symbol\": " << id.redundantSymbol
      << ",\n  \"firmware_version\": " << (id.firmwareVersion ? JsonText(*id.firmwareVersion) : "null")
      << ",\n  \"inquiry_vendor\": " << JsonText(id.inquiryVendor)
      << ",\n  \"inquiry_product\": " << JsonText(id.inquiryProduct) << ",\n  \"chip_enables\": " << g.chipEnables
      << ",\n  \"zones\": " << g.zones << ",\n  \"blocks_per_zone\": " << g.blocksPerZone
      << ",\n  \"blocks_per_chip\": " << g.BlocksPerChip() << ",\n  \"pages_per_block\": " << g.pagesPerBlock
      << ",\n  \"sectors_per_block\": " << g.SectorsPerBlock() << ",\n  \"sectors_per_page\": " << g.sectorsPerPage
      << ",\n  \"plugged\": " << (info.plugged ? "true" : "false") << ",\n  \"factory_bad\": " << info.factoryBad
      << ",\n  \"grown_bad\": " << info.grownBad << ",\n  \"weak\": " << info.weak
      << ",\n  \"disk_ready\": " << (info.diskReady ? "true" : "false")
      << ",\n  \"capacity_sectors\": " << info.capacitySectors
      << ",\n  \"speed\": \"" << vdrive::SpeedModelName(info.speed) << "\""
      << ",\n  \"modelled_microseconds\": " << info.modelledMicros
      << ",\n  \"marked\": " << info.marked.size() << ",\n  \"marked_blocks\": [";
    for (std::size_t i = 0; i < info.marked.size(); ++i)
        j << (i ? ", " : "") << "{\"chip\": " << info.marked[i].chip << ", \"block\": " << info.marked[i].block << "}";
    j << "]\n}\n";
    std::cout << j.str();
}

void PrintText(const vdrive::DriveInfo& info) {
    const auto& id = info.identity;
    const auto& g = info.geometry;
    std::printf("chip id %04X version %02X, flash id %02X %02X %02X %02X %02X, firmware %s\n", id.chipId,
                id.chipVersion, id.flashId[0], id.flashId[1], id.flashId[2], id.flashId[3], id.flashId[4],
                id.firmwareVersion ? id.firmwareVersion->c_str() : "none");
    std::printf("%u chip-enables, %u blocks per chip, %u sectors per block, %u per page\n", g.chipEnables,
                g.BlocksPerChip(), g.SectorsPerBlock(), g.sectorsPerPage);
    std::printf("%s; factory bad %u, grown bad %u, weak %u, marked %zu\n", info.plugged ? "plugged" : "unplugged",
                info.factoryBad, info.grownBad, info.weak, info.marked.size());
    if (info.diskReady) {
        std::printf("disk ready, %llu sectors\n", static_cast<unsigned long long>(info.capacitySectors));
    } else {
        std::printf("disk not ready\n");
    }
}

int Fault(const Options& o, vdrive::VirtualDrive& drive) {
    std::string error;
    if (o.Has("clear")) return drive.ClearFaults(&error) ? kExitOk : Fail(error);
    std::uint64_t n = 0;
    if (o.Has("remove-after")) {
        if (!o.Number("remove-after", 0x7FFFFFFF, &n, &error)) return Fail(error, kExitUsage);
        return drive.RemoveAfter(static_cast<std::int32_t>(n), &error) ? kExitOk : Fail(error);
    }
    if (o.Has("silent-chip")) {
        if (!o.Number("silent-chip", 3, &n, &error)) return Fail(error, kExitUsage);
        return drive.SetChipSilent(static_cast<std::uint32_t>(n), true, &error) ? kExitOk : Fail(error);
    }
    if (auto place = o.Value("slip-mark")) {
        unsigned chip = 0, block = 0;
        if (std::sscanf(place->c_str(), "%u:%u", &chip, &block) != 2) return Fail("--slip-mark wants CHIP:BLOCK", kExitUsage);
        return drive.SetBlockFlags(chip, block, vdrive::format::kMarkSlips, &error) ? kExitOk : Fail(error);
    }
    vdrive::FaultPlan plan;
    std::string kind = o.Has("stall") ? "stall" : "fail";
    plan.kind = o.Has("stall") ? vdrive::format::FaultKind::Stall : vdrive::format::FaultKind::FailCommand;
    if (!o.Has(kind)) return Fail("fault: say what to plan (see --help)", kExitUsage);
    bool ok = ReadNumber(o, kind, 0xFF, &plan.opcode, &error) && ReadNumber(o, "chip", 3, &plan.chip, &error) &&
              ReadNumber(o, "block", 0xFFFFFFFE, &plan.block, &error) && ReadNumber(o, "times", 0xFFFFFFFF, &plan.times, &error);
    if (!ok) return Fail(error, kExitUsage);
    return drive.AddFault(plan, &error) ? kExitOk : Fail(error);
}

int Run(int argc, char** argv) {
    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (argc < 3) return Fail(std::string("missing command or image\n") + kUsage, kExitUsage);
    std::string command = argv[1], image = argv[2];
    Options o(argc, argv, 3, {"json", "no-firmware", "clear", "formatted"});
    if (!o.error().empty()) return Fail(o.error(), kExitUsage);
    if (!o.words().empty()) return Fail("unexpected argument " + o.words().front(), kExitUsage);
    if (command == "create") return Create(o, image);
    static const std::vector<std::string> kCommands = {"info", "plug", "unplug", "replug", "fault", "map"};
    if (std::find(kCommands.begin(), kCommands.end(), command) == kCommands.end())
        return Fail("unknown command " + command + " (see --help)", kExitUsage);
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    if (!drive) return Fail(error);
    if (command == "info") {
        auto info = drive->Info(&error);
        if (!info) return Fail(error);
        o.Has("json") ? PrintJson(*info) : PrintText(*info);
        return kExitOk;
    }
    if (command == "plug" || command == "unplug" || command == "replug") {
        bool ok = (command != "plug" ? drive->SetPlugged(false, &error) : true) &&
                  (command != "unplug" ? drive->SetPlugged(true, &error) : true);
        return ok ? kExitOk : Fail(error);
    }
    if (command == "fault") return Fault(o, *drive);
    if (command == "map") {
        auto png = o.Value("png");
        if (!png) return Fail("map needs --png FILE", kExitUsage);
        auto blocks = drive->Blocks(&error);
        if (!blocks || !WriteBlockMap(*png, drive->geometry(), *blocks, &error)) return Fail(error);
        return kExitOk;
    }
    return Fail("unknown command " + command, kExitUsage);
}

}  // namespace
}  // namespace mendora::tools

int main(int argc, char** argv) { return mendora::tools::Run(argc, argv); }

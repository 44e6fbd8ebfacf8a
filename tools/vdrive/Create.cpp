// mendora-vdrive create: a new image from a preset and the changes the options ask for.
#include <cctype>
#include <filesystem>
#include <sstream>

#include "tools/common/CommandLine.h"
#include "tools/vdrive/Commands.h"
#include "vdrive/Presets.h"

namespace mendora::tools {

namespace {

// A number option that changes one field of the preset's setup.
template <typename Field>
void AddEdit(CLI::App& command, CreateArgs& args, const std::string& name, std::uint64_t max, Field field) {
    auto record = [&args, field](std::uint64_t v) {
        args.edits.push_back([field, v](vdrive::DriveSetup& s) {
            auto& target = field(s);
            target = static_cast<std::remove_reference_t<decltype(target)>>(v);
        });
    };
    command.add_option_function<std::uint64_t>(name, record)->check(CLI::Range(std::uint64_t{0}, max))->type_name("N");
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

// A size in bytes with an optional binary unit (K, M, G, T; KiB... and KB... alike), a whole
// number of 512-byte sectors; empty when the text is not one.
std::optional<std::uint64_t> SectorsOfSize(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0 || digits > 15) return std::nullopt;
    std::uint64_t bytes = std::stoull(text.substr(0, digits));
    std::string unit = text.substr(digits);
    for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string units = "KMGT";
    if (!unit.empty()) {
        std::size_t power = units.find(unit[0]);
        if (power == std::string::npos || (unit.size() > 1 && unit.substr(1) != "IB" && unit.substr(1) != "B"))
            return std::nullopt;
        bytes <<= 10 * (power + 1);
    }
    if (bytes == 0 || bytes % 512 != 0) return std::nullopt;
    return bytes / 512;
}

// The folders above a new image are made when missing, as a user who names a new folder
// expects. Paths are UTF-8 on every host.
bool MakeFoldersAbove(const std::string& image, std::string* error) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(std::u8string(image.begin(), image.end())).parent_path();
    std::error_code code;
    if (folder.empty() || fs::is_directory(folder, code)) return true;
    fs::create_directories(folder, code);
    if (!code) return true;
    const std::u8string name = folder.u8string();
    *error = "cannot make the folder " + std::string(name.begin(), name.end()) + " for the image: " + code.message();
    return false;
}

}  // namespace

void AddCreateOptions(CLI::App& c, CreateArgs& a) {
    using S = vdrive::DriveSetup;
    c.add_option("--preset", a.preset, "qf90 (default), qf70, qf70-nofw, dual-channel, unsupported, vista-refused");
    AddEdit(c, a, "--chip-id", 0xFFFF, [](S& s) -> auto& { return s.identity.chipId; });
    AddEdit(c, a, "--chip-version", 0xFF, [](S& s) -> auto& { return s.identity.chipVersion; });
    c.add_option("--flash-id", a.flashId, "five hexadecimal bytes separated by commas")->type_name("A,B,C,D,E");
    AddEdit(c, a, "--attribute", 0xFF, [](S& s) -> auto& { return s.identity.attribute; });
    AddEdit(c, a, "--zone-bank", 0xFF, [](S& s) -> auto& { return s.identity.zoneBank; });
    AddEdit(c, a, "--a1", 0xFF, [](S& s) -> auto& { return s.identity.a1Version; });
    AddEdit(c, a, "--redundant-symbol", 0xFFFF, [](S& s) -> auto& { return s.identity.redundantSymbol; });
    auto* firmware = c.add_option("--firmware", a.firmware, "the firmware version")->type_name("TEXT");
    c.add_flag("--no-firmware", a.noFirmware, "a drive without firmware")->excludes(firmware);
    AddEdit(c, a, "--chip-enables", 4, [](S& s) -> auto& { return s.geometry.chipEnables; });
    AddEdit(c, a, "--zones", 65535, [](S& s) -> auto& { return s.geometry.zones; });
    AddEdit(c, a, "--blocks-per-zone", 65535, [](S& s) -> auto& { return s.geometry.blocksPerZone; });
    AddEdit(c, a, "--pages-per-block", 1024, [](S& s) -> auto& { return s.geometry.pagesPerBlock; });
    AddEdit(c, a, "--sectors-per-page", 64, [](S& s) -> auto& { return s.geometry.sectorsPerPage; });
    AddEdit(c, a, "--bad", 1u << 20, [](S& s) -> auto& { return s.plantings.factoryBad; });
    AddEdit(c, a, "--grown", 1u << 20, [](S& s) -> auto& { return s.plantings.grownBad; });
    AddEdit(c, a, "--weak", 1u << 20, [](S& s) -> auto& { return s.plantings.weak; });
    AddEdit(c, a, "--weak-bits", 255, [](S& s) -> auto& { return s.plantings.weakBits; });
    AddEdit(c, a, "--seed", 0xFFFFFFFF, [](S& s) -> auto& { return s.plantings.seed; });
    c.add_option("--fake-capacity", a.fakeCapacity,
                 "announce SIZE (such as 8G, 64M or bytes) as the disk's capacity once formatted, more than it "
                 "holds, as a counterfeit stick does: addresses above the flash wrap around to its start and "
                 "those between the disk held and the flash's power of two keep nothing")
        ->type_name("SIZE");
    AddEdit(c, a, "--lose-sectors", vdrive::kMostLostSectors, [](S& s) -> auto& { return s.lies.lostSectors; });
    c.add_flag("--formatted", a.formatted, "ready as a disk over the unmarked blocks; else not ready");
    c.add_option("--speed", a.speed,
                 "usb2|usb3|none: each command takes the time of that bus and the flash's page program, read and "
                 "block erase times; none, the default, runs at once");
}

int Create(const CreateArgs& a, const std::string& image) {
    auto setup = vdrive::Preset(a.preset);
    if (!setup) return Fail("unknown preset " + a.preset, kExitUsage);
    for (const auto& edit : a.edits) edit(*setup);
    if (a.flashId && !ParseFlashId(*a.flashId, setup->identity.flashId))
        return Fail("--flash-id wants five hexadecimal bytes separated by commas", kExitUsage);
    if (a.firmware) setup->identity.firmwareVersion = *a.firmware;
    if (a.noFirmware) setup->identity.firmwareVersion.reset();
    setup->formatted = a.formatted;
    setup->lies.lostSeed = setup->plantings.seed;
    if (a.fakeCapacity) {
        auto sectors = SectorsOfSize(*a.fakeCapacity);
        if (!sectors) return Fail("--fake-capacity wants a size in whole sectors, such as 8G or 64M", kExitUsage);
        setup->lies.announcedSectors = *sectors;
    }
    if (a.speed) {
        auto model = vdrive::SpeedModelNamed(*a.speed);
        if (!model) return Fail("--speed takes usb2, usb3 or none", kExitUsage);
        setup->speed = *model;
    }
    std::string error;
    if (!MakeFoldersAbove(image, &error)) return Fail(error);
    if (!vdrive::VirtualDrive::Create(image, *setup, &error)) return Fail(error);
    return kExitOk;
}

}  // namespace mendora::tools

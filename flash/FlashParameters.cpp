#include <cctype>

#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"
#include "flash/SettingTables.h"
#include "flash/TextFormat.h"

namespace mendora {

namespace {

void PutBe16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

}  // namespace

void RevertEngine::SendFlashParameters() {
    if (geo_.SectorsPerPage == 0) return;
    geo_.PagesPerBlock = (geo_.SectorsPerBlocks / geo_.SectorsPerPage) & 0xFFFF;
    if (geo_.NeedsParameterBlock == 0) return;
    auto block = ParameterBlock();
    ScsiDevice::WriteFlashParameters(*drive_, block.data());
}

std::array<std::uint8_t, 512> RevertEngine::ParameterBlock() {
    std::array<std::uint8_t, 512> p{};
    PutBe16(&p[0], geo_.BlocksPerChip);
    PutBe16(&p[2], geo_.SectorsPerPage);
    PutBe16(&p[4], geo_.SectorsPerPage != 0 ? geo_.SectorsPerBlocks / geo_.SectorsPerPage : 0);
    std::uint8_t redundant = LookupRedundantSize();
    if (redundant == 0) redundant = geo_.ReduantSymbol == 8 ? 0x80 : geo_.ReduantSymbol == 14 ? 0xDA : 0;
    p[6] = redundant;
    p[7] = geo_.zbank;
    p[8] = 1;
    p[9] = static_cast<std::uint8_t>(geo_.chipcnt);
    p[10] = geo_.zbank > 1 && options_.TwoPlane != 0 && geo_.TwoPlaneInhibit == 0 ? 1 : 0;
    p[11] = static_cast<std::uint8_t>(geo_.DualMode);
    p[12] = geo_.ParameterByte;
    p[13] = SettingB(options_.SettingIndexB);
    p[14] = SettingA(options_.SettingIndexA);
    p[15] = geo_.chipid[0] == 0x2C || geo_.chipid[0] == 0x89 ? 0x80 : 0x81;
    for (int i = 0; i < 5; ++i) p[16 + i] = geo_.chipid[i];
    PutBe16(&p[21], geo_.ParameterWordA);
    PutBe16(&p[23], geo_.ParameterWordB);
    p[25] = options_.PairedPageMode != 0 ? 2 : 0;
    return p;
}

// The redundant size of this flash from flash8k.ini: the first section whose "FID" names
// the flash id gives "RedudantSize"; 0 when there is none.
std::uint8_t RevertEngine::LookupRedundantSize() {
    const std::string path = host_.executableDirectory + "/flash8k.ini";
    const std::uint8_t* id = geo_.chipid;
    const std::string key = Format("0x%2x,0x%2x,0x%2x,0x%2x,0x%2x", id[0], id[1], id[2], id[3], id[4]);
    for (const std::string& section : host_.profiles.SectionNames(path, 4096)) {
        std::string fid = host_.profiles.GetString(path, section, "FID", "", 64);
        for (char& c : fid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (fid != key) continue;
        return static_cast<std::uint8_t>(host_.profiles.GetInt(path, section, "RedudantSize", 0));
    }
    return 0;
}

}  // namespace mendora

// mendora-vdrive info: an image's identity, geometry, plug state and block counts.
#include <cstdio>
#include "platform/kernel/Console.h"
#include <iostream>

#include <nlohmann/json.hpp>

#include "tools/vdrive/Commands.h"

namespace mendora::tools {

namespace {

using Json = nlohmann::ordered_json;

// One value on one line, with a space after every comma and colon.
std::string Inline(const Json& value) {
    if (!value.is_structured()) return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::string text = value.is_array() ? "[" : "{";
    bool first = true;
    for (auto it = value.begin(); it != value.end(); ++it, first = false) {
        if (!first) text += ", ";
        if (value.is_object()) text += Json(it.key()).dump() + ": ";
        text += Inline(*it);
    }
    return text + (value.is_array() ? "]" : "}");
}

Json InfoJson(const vdrive::DriveInfo& info) {
    const auto& id = info.identity;
    const auto& g = info.geometry;
    Json marked = Json::array();
    for (const auto& m : info.marked) marked.push_back({{"chip", m.chip}, {"block", m.block}});
    return {{"chip_id", id.chipId},
            {"chip_version", id.chipVersion},
            {"flash_id", std::vector<int>(id.flashId, id.flashId + 5)},
            {"attribute", id.attribute},
            {"zone_bank", id.zoneBank},
            {"a1_version", id.a1Version},
            {"redundant_symbol", id.redundantSymbol},
            {"firmware_version", id.firmwareVersion ? Json(*id.firmwareVersion) : Json()},
            {"inquiry_vendor", id.inquiryVendor},
            {"inquiry_product", id.inquiryProduct},
            {"chip_enables", g.chipEnables},
            {"zones", g.zones},
            {"blocks_per_zone", g.blocksPerZone},
            {"blocks_per_chip", g.BlocksPerChip()},
            {"pages_per_block", g.pagesPerBlock},
            {"sectors_per_block", g.SectorsPerBlock()},
            {"sectors_per_page", g.sectorsPerPage},
            {"plugged", info.plugged},
            {"factory_bad", info.factoryBad},
            {"grown_bad", info.grownBad},
            {"weak", info.weak},
            {"disk_ready", info.diskReady},
            {"capacity_sectors", info.capacitySectors},
            {"announced_sectors", info.lies.announcedSectors},
            {"lost_sectors", info.lies.lostSectors},
            {"speed", vdrive::SpeedModelName(info.speed)},
            {"modelled_microseconds", info.modelledMicros},
            {"marked", info.marked.size()},
            {"marked_blocks", marked}};
}

}  // namespace

// One key a line, each value on its line: easy to read and to grep.
void PrintInfoJson(const vdrive::DriveInfo& info) {
    Json json = InfoJson(info);
    std::string text = "{\n";
    for (auto it = json.begin(); it != json.end(); ++it)
        text += "  " + Json(it.key()).dump() + ": " + Inline(*it) + (std::next(it) == json.end() ? "\n" : ",\n");
    platform::WriteText(stdout, text + "}\n");
}

void PrintInfoText(const vdrive::DriveInfo& info) {
    const auto& id = info.identity;
    const auto& g = info.geometry;
    platform::PrintText(stdout, "chip id %04X version %02X, flash id %02X %02X %02X %02X %02X, firmware %s\n", id.chipId,
                id.chipVersion, id.flashId[0], id.flashId[1], id.flashId[2], id.flashId[3], id.flashId[4],
                id.firmwareVersion ? id.firmwareVersion->c_str() : "none");
    platform::PrintText(stdout, "%u chip-enables, %u blocks per chip, %u sectors per block, %u per page\n", g.chipEnables,
                g.BlocksPerChip(), g.SectorsPerBlock(), g.sectorsPerPage);
    platform::PrintText(stdout, "%s; factory bad %u, grown bad %u, weak %u, marked %zu\n", info.plugged ? "plugged" : "unplugged",
                info.factoryBad, info.grownBad, info.weak, info.marked.size());
    if (info.diskReady) {
        platform::PrintText(stdout, "disk ready, %llu sectors\n", static_cast<unsigned long long>(info.capacitySectors));
        if (info.lies.announcedSectors > info.capacitySectors)
            platform::PrintText(stdout, "announces %llu sectors\n",
                                static_cast<unsigned long long>(info.lies.announcedSectors));
    } else {
        platform::PrintText(stdout, "disk not ready\n");
    }
    if (info.lies.lostSectors > 0)
        platform::PrintText(stdout, "loses %u sectors\n", info.lies.lostSectors);
}

}  // namespace mendora::tools

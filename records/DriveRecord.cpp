#include "records/DriveRecord.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

namespace mendora::records {

namespace {

std::string TextField(const nlohmann::json& r, const char* key) {
    const auto it = r.find(key);
    return it != r.end() && it->is_string() ? it->get<std::string>() : std::string();
}

template <typename T>
T NumberField(const nlohmann::json& r, const char* key, T fallback) {
    const auto it = r.find(key);
    return it != r.end() && it->is_number() ? it->get<T>() : fallback;
}

std::string HexBytes(const nlohmann::json& bytes) {
    std::string text;
    if (!bytes.is_array()) return text;
    for (const auto& b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", b.is_number_integer() ? (b.get<int>() & 0xFF) : 0);
        text += (text.empty() ? "" : ",") + std::string(hex);
    }
    return text;
}

std::vector<BadBlock> BadBlocksOf(const nlohmann::json& list) {
    std::vector<BadBlock> blocks;
    if (!list.is_array()) return blocks;
    for (const auto& b : list) {
        if (!b.is_object()) continue;
        blocks.push_back({NumberField(b, "chip", 0), NumberField(b, "block", 0), TextField(b, "why")});
    }
    return blocks;
}

}  // namespace

DriveRecord RecordFromReport(const nlohmann::json& r, const RecordFacts& facts) {
    DriveRecord d;
    d.runId = facts.runId, d.host = facts.host, d.programVersion = facts.programVersion;
    d.recordedAt = facts.recordedAt;
    d.serial = TextField(r, "serial"), d.port = TextField(r, "port");
    d.stick = d.serial.empty() ? d.port : d.serial;
    d.drive = TextField(r, "drive"), d.description = TextField(r, "description");
    d.chipId = NumberField(r, "chip_id", 0), d.chipVersion = NumberField(r, "chip_version", 0);
    d.flashId = HexBytes(r.value("flash_id", nlohmann::json()));
    const nlohmann::json geometry = r.value("geometry", nlohmann::json());
    if (geometry.is_object()) {
        d.geometry = geometry.dump();
        d.capacityBytes = NumberField<std::uint64_t>(geometry, "capacity_bytes", 0);
        d.totalBlocks = NumberField<std::uint64_t>(geometry, "chips", 0) *
                        NumberField<std::uint64_t>(geometry, "blocks_per_chip", 0);
    }
    d.firmwareBefore = TextField(r, "firmware_before"), d.firmwareAfter = TextField(r, "firmware_after");
    d.badBlocks = BadBlocksOf(r.value("bad_blocks", nlohmann::json()));
    const nlohmann::json seconds = r.value("phase_seconds", nlohmann::json());
    if (seconds.is_object())
        for (const auto& [phase, value] : seconds.items())
            if (value.is_number()) d.phaseSeconds[phase] = value.get<double>();
    d.bytesWritten = NumberField<std::uint64_t>(r, "bytes_written", 0);
    d.bytesRead = NumberField<std::uint64_t>(r, "bytes_read", 0);
    d.verdict = TextField(r, "verdict");
    if (d.verdict.empty()) d.verdict = "failed";
    d.reason = TextField(r, "reason");
    if (d.reason.empty()) d.reason = TextField(r, "retire_reason");
    d.statusCode = NumberField(r, "status_code", -1);
    d.libraryError = NumberField<long long>(r, "library_error", -1);
    return d;
}

std::string UtcTimeText(std::int64_t calendarSeconds) {
    using namespace std::chrono;
    const sys_seconds at{seconds(calendarSeconds)};
    const auto day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), int(time.hours().count()), int(time.minutes().count()),
                  int(time.seconds().count()));
    return text;
}

bool IsRepaired(const std::string& verdict) { return verdict == "repaired" || verdict == "repaired, retire"; }

int GrownBadBlocks(const DriveRecord& record, const DriveRecord& first) {
    std::set<std::pair<int, int>> factory;
    for (const auto& b : first.badBlocks)
        if (b.why == "factory mark") factory.insert({b.chip, b.block});
    return static_cast<int>(std::count_if(record.badBlocks.begin(), record.badBlocks.end(), [&](const BadBlock& b) {
        return !factory.count({b.chip, b.block});
    }));
}

}  // namespace mendora::records

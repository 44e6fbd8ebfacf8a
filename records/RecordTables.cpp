#include "records/RecordTables.h"

#include <algorithm>
#include <cstdio>

namespace mendora::records {

namespace {

// Columns lined up, each as wide as its widest cell; the last is left as it is.
std::vector<std::string> Columns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> width;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (width.size() <= i) width.push_back(0);
            width[i] = std::max(width[i], row[i].size());
        }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
        }
        lines.push_back(line);
    }
    return lines;
}

std::string Share(std::uint64_t part, std::uint64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", whole == 0 ? 0.0 : 100.0 * double(part) / double(whole));
    return text;
}

std::string FirmwareChange(const DriveRecord& r) {
    const std::string before = r.firmwareBefore.empty() ? "none" : r.firmwareBefore;
    return r.firmwareAfter.empty() ? before : before + " -> " + r.firmwareAfter;
}

std::string VerdictOf(const DriveRecord& r) {
    if (r.verdict == "repaired" || r.reason.empty()) return r.verdict;
    return r.verdict + ": " + r.reason;
}

nlohmann::json CountsJson(const std::map<std::string, std::uint64_t>& counts) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [reason, count] : counts) list.push_back({{"reason", reason}, {"drives", count}});
    return list;
}

void CountLines(const char* title, const std::map<std::string, std::uint64_t>& counts, std::uint64_t total,
                std::vector<std::vector<std::string>>* rows) {
    std::uint64_t all = 0;
    for (const auto& entry : counts) all += entry.second;
    rows->push_back({title, std::to_string(all), Share(all, total)});
    for (const auto& [reason, count] : counts) rows->push_back({"  " + reason, std::to_string(count), Share(count, total)});
}

}  // namespace

nlohmann::json RecordJson(const DriveRecord& r) {
    nlohmann::json blocks = nlohmann::json::array();
    for (const auto& b : r.badBlocks) blocks.push_back({{"chip", b.chip}, {"block", b.block}, {"why", b.why}});
    nlohmann::json geometry = nlohmann::json::parse(r.geometry, nullptr, false);
    return {{"run_id", r.runId},
            {"recorded_at", r.recordedAt},
            {"host", r.host},
            {"program_version", r.programVersion},
            {"stick", r.stick},
            {"serial", r.serial},
            {"port", r.port},
            {"drive", r.drive},
            {"description", r.description},
            {"chip_id", r.chipId},
            {"chip_version", r.chipVersion},
            {"flash_id", r.flashId},
            {"capacity_bytes", r.capacityBytes},
            {"total_blocks", r.totalBlocks},
            {"firmware_before", r.firmwareBefore.empty() ? nlohmann::json() : nlohmann::json(r.firmwareBefore)},
            {"firmware_after", r.firmwareAfter.empty() ? nlohmann::json() : nlohmann::json(r.firmwareAfter)},
            {"geometry", geometry.is_discarded() ? nlohmann::json() : geometry},
            {"bad_blocks", blocks},
            {"bad_block_count", r.badBlocks.size()},
            {"phase_seconds", r.phaseSeconds},
            {"bytes_written", r.bytesWritten},
            {"bytes_read", r.bytesRead},
            {"verdict", r.verdict},
            {"reason", r.reason},
            {"status_code", r.statusCode},
            {"library_error", r.libraryError}};
}

std::vector<std::string> HistoryLines(const std::vector<DriveRecord>& runs) {
    std::vector<std::vector<std::string>> rows = {{"WHEN", "HOST", "DRIVE", "FIRMWARE", "BAD", "GROWN", "VERDICT"}};
    int previous = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const int grown = GrownBadBlocks(runs[i], runs.front());
        std::string grownText = std::to_string(grown);
        if (i > 0 && grown != previous) grownText += " (" + std::string(grown > previous ? "+" : "") +
                                                     std::to_string(grown - previous) + ")";
        previous = grown;
        rows.push_back({runs[i].recordedAt, runs[i].host, runs[i].drive, FirmwareChange(runs[i]),
                        std::to_string(runs[i].badBlocks.size()), grownText, VerdictOf(runs[i])});
    }
    return Columns(rows);
}

nlohmann::json HistoryJson(const std::vector<DriveRecord>& runs) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& run : runs) {
        nlohmann::json entry = RecordJson(run);
        entry["grown_bad_blocks"] = GrownBadBlocks(run, runs.front());
        list.push_back(entry);
    }
    return list;
}

std::vector<std::string> StatsLines(const RecordStats& s) {
    std::vector<std::vector<std::string>> rows = {
        {"drives", std::to_string(s.records)},
        {"repaired", std::to_string(s.repaired), Share(s.repaired, s.records)},
        {"  to retire", std::to_string(s.retire), Share(s.retire, s.records)},
        {"reverted", std::to_string(s.reverted), Share(s.reverted, s.records)}};
    CountLines("refused", s.refused, s.records, &rows);
    CountLines("failed", s.failed, s.records, &rows);
    auto lines = Columns(rows);
    lines.push_back("bad blocks per drive: median " + std::to_string(s.badBlocksMedian) + ", 90th percentile " +
                    std::to_string(s.badBlocksP90) + ", largest " + std::to_string(s.badBlocksMax));
    std::vector<std::vector<std::string>> bands;
    for (const auto& [band, count] : s.badBlockBands)
        bands.push_back({"  " + band, std::to_string(count), Share(count, s.records)});
    for (const auto& line : Columns(bands)) lines.push_back(line);
    return lines;
}

nlohmann::json StatsJson(const RecordStats& s) {
    nlohmann::json bands = nlohmann::json::array();
    for (const auto& [band, count] : s.badBlockBands) bands.push_back({{"bad_blocks", band}, {"drives", count}});
    return {{"drives", s.records},
            {"repaired", s.repaired},
            {"repaired_share", s.records == 0 ? 0.0 : double(s.repaired) / double(s.records)},
            {"retire", s.retire},
            {"reverted", s.reverted},
            {"refused", CountsJson(s.refused)},
            {"failed", CountsJson(s.failed)},
            {"bad_blocks_per_drive",
             {{"median", s.badBlocksMedian}, {"p90", s.badBlocksP90}, {"max", s.badBlocksMax}, {"bands", bands}}}};
}

}  // namespace mendora::records

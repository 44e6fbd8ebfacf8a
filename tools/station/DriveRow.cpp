#include "tools/station/DriveRow.h"

#include <algorithm>
#include <cstdio>

#include "records/DriveRecord.h"

namespace mendora::station {

namespace {

std::string Fixed(double value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

std::string Duration(double seconds) {
    auto s = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

// "QF90 128MB" from the library's description "<vendor> <product> QF90 128MB".
std::string ModelOf(const nlohmann::json& identity) {
    std::string d = identity.value("description", "");
    std::size_t last = d.rfind(' ');
    if (last == std::string::npos || last == 0) return d;
    std::size_t before = d.rfind(' ', last - 1);
    return before == std::string::npos ? d : d.substr(before + 1);
}

std::string Place(const nlohmann::json& r) {
    const nlohmann::json& at = r["block_reached"];
    return "chip " + std::to_string(at.value("chip", 0)) + " block " + std::to_string(at.value("block", 0));
}

// "repaired", "refused: <why>", "failed: <why> (at chip C block B)", "interrupted at chip C block B".
std::string VerdictText(const nlohmann::json& r) {
    std::string verdict = r.value("verdict", "failed");
    const bool placed = r.contains("block_reached");
    if (verdict == "interrupted") return placed ? verdict + " at " + Place(r) : verdict;
    if (records::IsRepaired(verdict)) return verdict + CertifySuffix(r);
    std::string text = verdict + ": " + r.value("reason", "unknown");
    return placed && verdict == "failed" ? text + " (at " + Place(r) + ")" : text;
}

// "failed in verify", "interrupted in pattern write": a drive that ended short of done.
std::string EndedText(const DriveRow& row) {
    const std::string where = row.phase == Phase::Replug ? "re-plug" : PhaseName(row.phase);
    return row.report.value("verdict", "failed") + " in " + where;
}

}  // namespace

bool DriveRow::Apply(const nlohmann::json& line, double now) {
    lastHeard = now;
    const std::string type = line.value("t", "");
    if (type == "identity") {
        identity = line;
        identity.erase("t");
    } else if (type == "message") {
        messages.push_back(line.value("text", ""));
    } else if (type == "report") {
        report = line;
        report.erase("t");
        finished = true;
        // A drive that did not finish stays where it ended, with the share it had done.
        const Phase before = phase;
        if (Repaired()) {
            eta.Update(Phase::Done, 1, now);
            phase = Phase::Done;
        } else {
            phase = PhaseNamed(line.value("phase", "")).value_or(phase);
        }
        return phase != before;
    } else if (type == "progress") {
        progress = line;
        auto next = PhaseNamed(line.value("phase", "")).value_or(phase);
        eta.Update(next, line.value("fraction", 0.0), now);
        speed.Add(now, line.value("written", 0.0) + line.value("read", 0.0));
        const bool changed = next != phase;
        phase = next;
        return changed;
    }
    return false;
}

void DriveRow::Lost(const std::string& why) {
    finished = true;
    report = identity;
    report["verdict"] = "failed";
    report["reason"] = why;
    if (progress.contains("block"))
        report["block_reached"] = {{"chip", progress.value("chip", 0)}, {"block", progress.value("block", 0)}};
    report["bytes_written"] = progress.value("written", 0);
    report["bytes_read"] = progress.value("read", 0);
}

nlohmann::json DriveRow::Report() const {
    nlohmann::json r = report;
    for (auto& [key, value] : identity.items())
        if (!r.contains(key)) r[key] = value;
    r["drive"] = name;
    r["source"] = source;
    r["port"] = place.port;
    r["serial"] = place.serial;
    r["messages"] = messages;
    if (!r.contains("verdict")) r["verdict"] = "failed";
    if (!r.contains("phase")) r["phase"] = PhaseName(phase);
    return r;
}

bool DriveRow::Repaired() const { return finished && records::IsRepaired(report.value("verdict", "")); }

RowView ViewOf(const DriveRow& row, double now) {
    RowView v;
    v.drive = row.name;
    v.model = row.identity.contains("description") ? ModelOf(row.identity) : "?";
    const bool stopped = row.finished && !row.Repaired();
    v.phase = stopped ? EndedText(row) : PhaseName(row.phase);
    v.percent = Fixed(row.eta.Done() * 100, 0) + "%";
    const bool moving = !row.finished && row.phase != Phase::Library && row.phase != Phase::Replug;
    v.speed = moving ? Fixed(row.speed.BytesPerSecond() / 1e6, 1) : "-";
    auto left = stopped ? std::nullopt : row.finished ? std::optional(0.0) : row.eta.SecondsLeft(now);
    v.left = left ? Duration(*left) : "-";
    const nlohmann::json& counts = row.finished && row.report.contains("bad_block_count") ? row.report : row.progress;
    v.bad = std::to_string(counts.value(counts.contains("bad_block_count") ? "bad_block_count" : "bad", 0));
    v.verdict = row.finished ? VerdictText(row.report) : "working";
    if (row.phase == Phase::Certify && !row.finished) ShowCertify(row, &v);
    return v;
}

std::vector<std::string> TableLines(const std::vector<RowView>& rows) {
    std::vector<RowView> all = {{"DRIVE", "MODEL", "PHASE", "DONE", "MB/s", "LEFT", "BAD", "VERDICT"}};
    all.insert(all.end(), rows.begin(), rows.end());
    auto width = [&](std::string RowView::*field) {
        std::size_t w = 0;
        for (const auto& r : all) w = std::max(w, (r.*field).size());
        return w;
    };
    const std::size_t w[] = {width(&RowView::drive), width(&RowView::model), width(&RowView::phase),
                             width(&RowView::percent), width(&RowView::speed), width(&RowView::left),
                             width(&RowView::bad)};
    std::vector<std::string> lines;
    for (const auto& r : all) {
        char line[1024];
        std::snprintf(line, sizeof line, "%-*s  %-*s  %-*s  %*s  %*s  %*s  %*s  %s", int(w[0]), r.drive.c_str(),
                      int(w[1]), r.model.c_str(), int(w[2]), r.phase.c_str(), int(w[3]), r.percent.c_str(),
                      int(w[4]), r.speed.c_str(), int(w[5]), r.left.c_str(), int(w[6]), r.bad.c_str(),
                      r.verdict.c_str());
        lines.push_back(line);
    }
    return lines;
}

}  // namespace mendora::station

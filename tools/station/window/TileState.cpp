#include "tools/station/window/TileState.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mendora::station {

namespace {

TileTone ToneOf(const DriveRow& row, bool started) {
    if (!started && !row.finished) return TileTone::Ready;
    if (row.finished) return row.Repaired() && !CertifyFailed(row.report) ? TileTone::Repaired : TileTone::Failed;
    return row.phase == Phase::Replug ? TileTone::Waiting : TileTone::Working;
}

// "42%  3.1 MB/s  0:35 left"; the speed and time only while they mean something.
std::string ProgressText(const RowView& v, const StationTexts& texts) {
    std::string text = v.percent;
    if (v.speed != "-") text += "  " + v.speed + " MB/s";
    if (v.left != "-") text += "  " + v.left + " " + texts.left;
    return text;
}

// The table's verdict without its leading word: "no answer (at chip 0 block 7)".
std::string ReasonOf(const RowView& v) {
    const std::size_t colon = v.verdict.find(": ");
    if (colon != std::string::npos) return v.verdict.substr(colon + 2);
    const std::size_t space = v.verdict.find(' ');
    return space == std::string::npos ? "" : v.verdict.substr(space + 1);
}

int BadDegrees(const DriveRow& row, int bad) {
    const nlohmann::json& g = row.identity.contains("geometry") ? row.identity["geometry"] : nlohmann::json::object();
    const double blocks = g.value("chips", 0.0) * g.value("blocks_per_chip", 0.0);
    if (blocks <= 0 || bad <= 0) return 0;
    return std::clamp(static_cast<int>(std::lround(360.0 * bad / blocks)), 1, 360);
}

}  // namespace

TileState TileStateOf(const DriveRow& row, bool started, const StationTexts& texts, const std::string& mapFile,
                      double now) {
    const RowView v = ViewOf(row, now);
    TileState t;
    t.name = row.name;
    t.model = row.identity.contains("description") ? v.model : "";
    t.tone = ToneOf(row, started);
    t.removed = row.removed;
    if (row.removed) t.phase = texts.removed;
    else if (t.tone == TileTone::Ready) t.phase = texts.ready;
    else t.phase = texts.phases[PhaseIndex(row.phase)];
    if (t.tone == TileTone::Ready) return t;

    t.progress = static_cast<int>(std::lround(std::clamp(row.eta.Done(), 0.0, 1.0) * 1000));
    t.progressText = ProgressText(v, texts);
    const int bad = std::atoi(v.bad.c_str());
    t.badText = texts.badBlocks + ": " + v.bad;
    t.badDegrees = BadDegrees(row, bad);
    if (!row.finished) return t;
    t.verdict = texts.Verdict(row.report.value("verdict", "failed"));
    if (!row.Repaired()) t.reason = ReasonOf(v);
    // A repaired drive's certify verdict ("certified", "fake capacity", ...) follows its own.
    if (row.Repaired() && row.report.contains("certify")) {
        const std::string certified = row.report["certify"].value("verdict", "");
        t.verdict += ", " + certified;
        if (CertifyFailed(row.report)) t.reason = certified;
    }
    if (!mapFile.empty() && !row.report.contains("map_error") && row.report.contains("bad_block_count"))
        t.mapFile = mapFile;
    return t;
}

}  // namespace mendora::station

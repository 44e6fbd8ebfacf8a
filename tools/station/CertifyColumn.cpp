// The certify as the table shows it and as the exit status counts it.
#include <cstdio>

#include "tools/station/DriveRow.h"

namespace mendora::station {

std::string CertifySuffix(const nlohmann::json& report) {
    if (!report.contains("certify")) return "";
    return ", " + report["certify"].value("verdict", "?");
}

// The certify is a run of its own after the repair: its share done and its time left from
// its own rate, not from the repair's phases.
void ShowCertify(const DriveRow& row, RowView* view) {
    const double fraction = row.progress.value("fraction", 0.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", fraction * 100);
    view->percent = text;
    // The worker tells how long its certify has run; the station's clock is not its own.
    const double elapsed = row.progress.value("certify_seconds", 0.0);
    if (fraction <= 0.0 || elapsed <= 0.0) {
        view->left = "-";
        return;
    }
    const auto left = static_cast<long long>(elapsed * (1 - fraction) / fraction + 0.5);
    std::snprintf(text, sizeof text, "%lld:%02lld", left / 60, left % 60);
    view->left = text;
}

bool CertifyFailed(const nlohmann::json& report) {
    return report.contains("certify") && report["certify"].value("verdict", "") != "certified";
}

bool CertifyPassed(const nlohmann::json& report, const std::string& mode) {
    if (mode.empty()) return true;
    return report.contains("certify") && report["certify"].value("verdict", "") == "certified";
}

}  // namespace mendora::station

// The station's look before it erases: every drive identified by its own worker, nothing
// written.
#include <cstdio>

#include "tools/station/Station.h"

namespace mendora::station {

namespace {

std::string Column(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() && !found->get<std::string>().empty() ? found->get<std::string>()
                                                                                              : "-";
}

std::string Described(const std::string& name, const platform::DriveIdentity& place) {
    return name + "  port " + place.port + "  serial " + (place.serial.empty() ? "-" : place.serial);
}

}  // namespace

std::vector<std::string> Station::DriveLines() const {
    std::vector<std::string> lines;
    for (const auto& row : rows_) lines.push_back(Described(row->name, row->place));
    return lines;
}

int Station::List(const std::string& executable, const std::string& logDirectory) {
    StartWorkers(executable, logDirectory, {"--identify-only"});
    while (Busy()) {
        Poll();
        Watch(Seconds());
    }
    ReleaseWorkers();
    int status = 0;
    for (const auto& row : rows_) {
        const nlohmann::json report = row->Report();
        const bool identified = report.value("verdict", "") == "identified";
        if (!identified) status = 1;
        std::fprintf(out_, "%s  %s  firmware %s  %s\n", Described(row->name, row->place).c_str(),
                     Column(report, "description").c_str(), Column(report, "firmware_before").c_str(),
                     identified ? "ready" : ("not usable: " + Column(report, "reason")).c_str());
    }
    std::fflush(out_);
    return status;
}

}  // namespace mendora::station

#pragma once
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/scsi/DriveIdentity.h"
#include "tools/station/Eta.h"
#include "platform/kernel/ChildProcess.h"
#include "tools/station/LineLink.h"
#include "tools/station/Phases.h"

namespace mendora::station {

// One drive as the station follows it: how to start its worker, what the worker said so
// far and, at the end, its report.
struct DriveRow {
    std::string name;                 // the station's name for it: "D:", "E:", ... or its port
    std::string source;               // image path or device node
    platform::DriveIdentity place;    // the drive the worker is confined to
    std::vector<std::string> env;     // what the worker's environment changes

    std::unique_ptr<platform::ChildProcess> worker;
    LineReader lines;                 // what the worker wrote, line by line
    double lastHeard = 0;
    bool finished = false;
    bool removed = false;             // pulled out while the station watched (the window's)
    bool recorded = false;            // its record was kept (or given up), never kept twice
    nlohmann::json identity = nlohmann::json::object();
    nlohmann::json progress = nlohmann::json::object();
    nlohmann::json report = nlohmann::json::object();
    std::vector<std::string> messages;
    Phase phase = Phase::Identify;
    Eta eta;
    SpeedMeter speed;

    // Takes one line of the worker in. Answers true when the phase changed.
    bool Apply(const nlohmann::json& line, double now);
    // The worker ended without a report, or was ended: the drive failed where it was.
    void Lost(const std::string& why);
    bool Repaired() const;
    // The report object as the --json file holds it.
    nlohmann::json Report() const;
};

// What the table shows of a row.
struct RowView {
    std::string drive, model, phase, percent, speed, left, bad, verdict;
};

RowView ViewOf(const DriveRow& row, double now);

// The certify in the table and the exit status (CertifyColumn.cpp): ", <certify verdict>"
// after "repaired"; the certify's own share done and time left while it runs; whether a
// drive passed the certify asked for ("" when none was).
std::string CertifySuffix(const nlohmann::json& report);
void ShowCertify(const DriveRow& row, RowView* view);
// Whether the drive was certified and failed it.
bool CertifyFailed(const nlohmann::json& report);
bool CertifyPassed(const nlohmann::json& report, const std::string& mode);
// Every row under a header, columns lined up.
std::vector<std::string> TableLines(const std::vector<RowView>& rows);

}  // namespace mendora::station

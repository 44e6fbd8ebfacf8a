#include "tools/revert/CertifyStep.h"

#include <cstdio>

#include "console/LibraryPhase.h"
#include "console/RepairFlags.h"
#include "console/ReplugRule.h"
#include "tools/common/CertifyReport.h"

namespace mendora::revert_tool {

namespace {

CertifyOutcome NotReady(const std::string& reason) {
    CertifyOutcome outcome;
    outcome.result.findings.ready = false;
    outcome.result.kind = certify::VerdictKind::NotReady;
    outcome.result.verdict = certify::VerdictText(outcome.result.findings);
    outcome.reason = reason;
    return outcome;
}

// The library's format alone: no device selection, no firmware written.
bool LibraryFormats(DeviceLibrary& library, const Identified& identified) {
    const std::uint8_t flags = RepairFlagsFor(0, false, false, identified.drive.chip.id, 0);
    return !RunLibraryPhase(library, identified.device, flags).Failed();
}

}  // namespace

CertifyOutcome CertifyAfterRevert(DeviceLibrary& library, const Identified& identified,
                                  platform::DriveNamespace& drives, const std::string& driveName, certify::Mode mode,
                                  const std::atomic<bool>* stop) {
    if (NeedsReplug(identified.drive.chip.id, identified.drive.description.noFirmware))
        return NotReady("re-plug the drive and repair it (mendora-station) before it is certified");
    if (!LibraryFormats(library, identified)) return NotReady("the device library could not format the drive");
    std::string error;
    auto transport = drives.Open(driveName, &error);
    if (!transport) return NotReady(error);
    certify::CertifyOptions options;
    options.mode = mode;
    options.stop = stop;
    certify::Progress progress;
    CertifyOutcome outcome;
    outcome.result = certify::Certify(*transport, options, progress);
    transport.reset();
    if (mode == certify::Mode::Full && outcome.result.findings.ready)
        outcome.result.restored = LibraryFormats(library, identified);
    return outcome;
}

nlohmann::json CertifyJson(const CertifyOutcome& outcome, certify::Mode mode) {
    nlohmann::json json = tools::CertifyReportJson(outcome.result, mode);
    if (!outcome.reason.empty()) json["reason"] = outcome.reason;
    return json;
}

std::string CertifyLine(const CertifyOutcome& outcome) {
    const certify::CertifyResult& r = outcome.result;
    std::string line = "Certify : " + r.verdict;
    if (!r.findings.ready) return outcome.reason.empty() ? line : line + " (" + outcome.reason + ")";
    char figures[160];
    std::snprintf(figures, sizeof figures, ", real size %s (%llu sectors), write %.1f MB/s, read %.1f MB/s",
                  certify::MiB(r.findings.realSectors).c_str(),
                  static_cast<unsigned long long>(r.findings.realSectors), r.writeMBps, r.readMBps);
    return line + figures;
}

}  // namespace mendora::revert_tool

#pragma once
#include <atomic>
#include <string>

#include <nlohmann/json.hpp>

#include "certify/Certify.h"
#include "platform/scsi/DriveNamespace.h"
#include "tools/revert/Identify.h"

namespace mendora::revert_tool {

struct CertifyOutcome {
    certify::CertifyResult result;
    std::string reason;  // why the drive was not ready as a disk, when the step knows it
};

// After a finished revert the drive holds no disk: the library formats it (its scan of the
// marks and format, no firmware write), then the certify runs on that disk, and after a
// full one the library formats it again. A QF70 with firmware takes its new state only once
// re-plugged, so it is not ready as a disk here.
CertifyOutcome CertifyAfterRevert(DeviceLibrary& library, const Identified& identified,
                                  platform::DriveNamespace& drives, const std::string& driveName, certify::Mode mode,
                                  const std::atomic<bool>* stop);

// The certify's part of the report and its lines on the terminal.
nlohmann::json CertifyJson(const CertifyOutcome& outcome, certify::Mode mode);
std::string CertifyLine(const CertifyOutcome& outcome);

}  // namespace mendora::revert_tool

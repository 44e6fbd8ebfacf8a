#pragma once
#include <nlohmann/json.hpp>

#include "certify/Certify.h"

namespace mendora::tools {

// A certify's result as the reports hold it: the mode, the verdict, the announced and real
// sizes (in 512-byte sectors, and in MiB for people), the speeds, the lost sectors (their
// count, and the first runs of them) and whether what was overwritten was written back.
nlohmann::json CertifyReportJson(const certify::CertifyResult& result, certify::Mode mode);

}  // namespace mendora::tools

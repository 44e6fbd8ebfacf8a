#pragma once
#include "flash/RevertRecords.h"

namespace mendora {

// The two records through which the console configures the revert engine and reads its
// status, for the life of the process.
FlashGeometry& SharedGeometry();
RevertOptions& SharedOptions();

}  // namespace mendora

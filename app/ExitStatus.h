#pragma once
// The exit statuses of mendora. The launcher ends with the status of the copy it started,
// so whoever started the program learns how the repair ended.

namespace mendora {

// The drive was repaired, or the dialog was closed before a repair started (nothing was
// changed); also --help and --version, and a second start that hands over to the first.
inline constexpr int kExitRepaired = 0;
// A repair started and did not complete: "Repair fail", or Close during the run. The drive
// is left erased and needs another repair before it holds data.
inline constexpr int kExitRepairFailed = 1;
// Nothing was done to a drive: no drive, a refused drive, a missing file, a start-up
// error, or a usage error.
inline constexpr int kExitRefused = 2;

}  // namespace mendora

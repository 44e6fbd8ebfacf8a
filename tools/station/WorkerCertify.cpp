// The worker's certify: after the library phase, through the drive's own disk commands.
#include <chrono>

#include "console/ConsoleStrings.h"
#include "console/LibraryPhase.h"
#include "console/RepairFlags.h"
#include "tools/common/CertifyReport.h"
#include "tools/station/Worker.h"

namespace mendora::station {

// Certifies the drive as the library left it, and leaves it so: the quick certify writes
// back what it overwrote; after a full one the library formats the drive again. A stop
// request ends the certify at its next transfer.
void Worker::Certify() {
    certifyStart_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    phases_.Enter(Phase::Certify);
    std::string error;
    auto drive = drives_.Open(driveName_, &error);
    if (!drive) {
        report_["certify"] = {{"verdict", "not ready as a disk"}, {"reason", error}};
        phases_.Enter(Phase::Done);
        return;
    }
    certify::CertifyOptions options;
    options.mode = *options_.certify;
    options.stop = InterruptFlag();
    const certify::CertifyResult result = certify::Certify(*drive, options, certifyProgress_);
    drive.reset();
    report_["certify"] = tools::CertifyReportJson(result, options.mode);
    if (!result.findings.lost.empty()) RedrawMapWithLoss(result.findings.lost);
    if (options.mode == certify::Mode::Full && result.findings.ready) {
        const LibraryOutcome again =
            RunLibraryPhase(library_, device_, RepairFlagsFor(selectionCode_, false, noFirmware_, chipId_));
        report_["certify"]["formatted_again"] = !again.Failed();
        if (again.Failed()) Fail("failed", "library after certify: " + LoadConsoleString(resources_, kRepairFailString));
    }
    phases_.Enter(Phase::Done);
}

// The bad-block picture with the blocks of the disk that lost data marked.
void Worker::RedrawMapWithLoss(const std::vector<certify::SectorRun>& lost) {
    if (options_.mapFile.empty() || geo_.SectorsPerBlocks == 0) return;
    std::vector<std::uint64_t> diskBlocks;
    for (const certify::SectorRun& run : lost)
        for (std::uint64_t s = run.first; s < run.first + run.count; s += geo_.SectorsPerBlocks)
            diskBlocks.push_back(s / geo_.SectorsPerBlocks);
    std::string error;
    if (!tools::WriteEngineMap(options_.mapFile, blocks_, &error, diskBlocks)) report_["map_error"] = error;
}

}  // namespace mendora::station

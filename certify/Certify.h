#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "certify/Progress.h"
#include "certify/Verdict.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora::certify {

enum class Mode { Quick, Full };

// "quick" or "full"; empty for anything else.
std::optional<Mode> ModeNamed(const std::string& name);
const char* ModeName(Mode mode);

struct CertifyOptions {
    Mode mode = Mode::Quick;
    std::uint32_t seed = 1;               // the quick certify's sample
    std::size_t sample = 512;
    std::uint32_t largestTransfer = 2048;  // sectors per command at most (1 MiB)
    const std::atomic<bool>* stop = nullptr;
};

struct CertifyResult {
    Findings findings;
    VerdictKind kind = VerdictKind::NotReady;
    std::string verdict;
    double writeMBps = 0;
    double readMBps = 0;
    // Whether the drive holds what it held before: the quick certify writes back what it
    // overwrote; after a full one the caller has the drive formatted again.
    bool restored = false;
    bool Passed() const { return kind == VerdictKind::Certified; }
};

// Certifies the disk the drive announces through its own disk commands: READ CAPACITY,
// then WRITE(10) and READ(10) of position-stamped data.
CertifyResult Certify(platform::ScsiTransport& transport, const CertifyOptions& options, Progress& progress);

}  // namespace mendora::certify

#pragma once
#include <cstdint>
#include <string>

#include "flash/RevertRecords.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/MessageHost.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Registry.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora {

// The host services one revert engine runs on.
struct RevertHost {
    platform::DriveNamespace& drives;
    platform::FileSystem& files;
    platform::Registry& registry;
    platform::ProfileReader& profiles;
    platform::MessageHost& messages;
    platform::Clock& clock;
    // Directory of the running executable, without a trailing '/': RevertBoot, flash8k.ini
    // and "Eval Pattern" are looked up there.
    std::string executableDirectory;
};

// Takes the flash controller of one drive over through the vendor commands and runs the
// complete revert on it: an erase pass, a pattern test and a blank check. One engine
// lives for one run, on one thread; the console polls the status fields of FlashGeometry.
class RevertEngine {
public:
    // Opens the drive, loads the revert image into the controller's RAM and sends the
    // flash parameters. A step that fails shows its message and leaves the engine not
    // ready; the passes then send nothing.
    RevertEngine(const std::string& name, FlashGeometry& geometry, RevertOptions& options, int logFlag,
                 RevertHost& host);
    ~RevertEngine();
    RevertEngine(const RevertEngine&) = delete;
    RevertEngine& operator=(const RevertEngine&) = delete;

    void SetEccLimit(std::uint8_t bits);
    std::uint8_t EraseAll(std::uint8_t showProgress);
    std::uint8_t PatternTest(std::uint8_t patternMode);
    std::uint8_t CheckBlank();

    bool IsReady() const;
};

}  // namespace mendora

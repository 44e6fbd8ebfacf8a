#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/kernel/ChildProcess.h"
#include "platform/kernel/Kernel.h"

namespace mendora::station {

// The station's private directory under the user's temporary root, laid out as the repair
// program lays out its own: this executable (linked or copied) that the workers run, with the device
// library QDLL.dll, Device.ini, the update firmware under Boot/ and the revert images under
// RevertBoot/ beside it. Claimed by a lock for as long as the object lives and removed with
// it; a directory an earlier station left behind when it was killed goes when the next one
// is prepared.
class StationHome {
public:
    explicit StationHome(platform::Kernel& kernel) : kernel_(kernel) {}
    ~StationHome();
    StationHome(const StationHome&) = delete;
    StationHome& operator=(const StationHome&) = delete;

    // False with the reason in *error when the directory cannot be made ready.
    bool Prepare(std::string* error);
    const std::string& Directory() const { return directory_; }
    std::string WorkerExecutable() const { return directory_ + "/" + platform::ProgramFileName("mendora-station"); }

private:
    std::string CreateUnique(const std::string& prefix);
    bool PlaceExecutable();
    bool Place(const std::string& name, std::uint16_t id);
    bool Unpack(const std::string& archive, const std::string& output);

    platform::Kernel& kernel_;
    std::unique_ptr<platform::File> claim_;  // released after the directory is removed
    std::string directory_;
};

}  // namespace mendora::station

#include "tools/station/StationHome.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "archive/BootArchive.h"
#include "tools/station/HomeClaim.h"

namespace mendora::station {

namespace {

constexpr char kHomePrefix[] = "mendora-station-";
constexpr int kRemoveAttempts = 50;
constexpr std::uint32_t kRemovePauseMilliseconds = 20;

}  // namespace

// Everything but the lock goes while the claim is held; then the lock is let go and the rest
// removed (an open file cannot be deleted on Windows). A station that looks in between
// sees a directory whose station is gone, which it may remove as well.
StationHome::~StationHome() {
    if (directory_.empty()) return;
    std::error_code ignored;
    std::vector<std::filesystem::path> entries;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, ignored))
        if (entry.path().filename() != kHomeLockName) entries.push_back(entry.path());
    for (const auto& path : entries) std::filesystem::remove_all(path, ignored);
    claim_.reset();
    // A file deleted while a worker that just ended still holds it keeps its name a moment
    // longer on Windows, and the directory is not empty until it goes.
    for (int attempt = 0; attempt < kRemoveAttempts; ++attempt) {
        if (attempt > 0) kernel_.clock.Sleep(kRemovePauseMilliseconds);
        std::filesystem::remove_all(directory_, ignored);
        if (!std::filesystem::exists(directory_, ignored)) return;
    }
}

bool StationHome::Prepare(std::string* error) {
    std::string why;
    std::string root = kernel_.tempRoot.Directory(&why);
    if (root.empty()) return *error = "no private temporary directory: " + why, false;
    RemoveLeftoverHomes(kernel_.files, root, kHomePrefix);
    std::string directory = CreateUnique(root + kHomePrefix);
    if (directory.empty()) return *error = "cannot create a directory in " + root, false;
    directory_ = directory;
    // Nothing is copied or run from a directory that others could plant files in.
    if (std::string problem = kernel_.files.CheckPrivateDirectory(directory); !problem.empty())
        return *error = directory + " cannot be used: " + problem, false;
    claim_ = ClaimHome(kernel_.files, kernel_.clock, directory);
    if (!claim_) return *error = "cannot claim " + directory + " with its lock file", false;
    if (!PlaceExecutable()) return *error = "cannot copy the station into " + directory, false;
    bool placed = Place("QDLL.dll", 151) && Place("Device.ini", 153) && Place("deft70.esp", 154) &&
                  Place("BootCode.r", 152) && Place("RBootCode.r", 156);
    if (!placed) return *error = "cannot write the embedded files into " + directory, false;
    if (!Unpack("BootCode.r", "Boot") || !Unpack("RBootCode.r", "RevertBoot"))
        return *error = "cannot unpack the boot code into " + directory + " (the disk may be full)", false;
    return true;
}

// A directory of its own that no other run has or had: a name drawn at random, made only
// when nothing is there (a leftover of a crashed run is never taken over). Empty when none
// could be made.
std::string StationHome::CreateUnique(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%08x%08x", random(), random());
        const std::string directory = prefix + suffix;
        if (kernel_.files.CreateDirectory(directory)) return directory;
    }
    return {};
}

// A copy, never a link: the workers' executable directory is the private one, and a link
// to a running executable could not be deleted on Windows.
bool StationHome::PlaceExecutable() {
    return kernel_.files.CopyFile(kernel_.process.ExecutablePath(), WorkerExecutable(), nullptr);
}

bool StationHome::Place(const std::string& name, std::uint16_t id) {
    auto bytes = kernel_.resources.Find("BINARYFILE", id);
    auto file = kernel_.files.Open(directory_ + "/" + name, platform::OpenMode::CreateWriteOnly);
    return bytes && file && file->Write(bytes->data(), bytes->size()) == static_cast<long>(bytes->size());
}

bool StationHome::Unpack(const std::string& archiveName, const std::string& output) {
    BootArchive archive(kernel_);
    if (archive.Open(directory_ + "/" + archiveName, false) == 0 || archive.Rewind() == 0) return false;
    archive.outputDirectory = directory_ + "/" + output + "/";
    while (archive.ExtractNext() == 1) {
    }
    archive.Close();
    // Without every file a worker would stop half way, with its drive already erased.
    return !archive.WriteFailed() && !archive.EndedInsideEntry();
}

}  // namespace mendora::station

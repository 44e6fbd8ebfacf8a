#include "tools/station/HomeClaim.h"

#include <filesystem>

namespace mendora::station {

namespace {

constexpr char kClaimText[] = "mendora-station\n";
// Another run may hold the new lock for a moment while it looks at it.
constexpr int kClaimAttempts = 50;
constexpr std::uint32_t kClaimPauseMilliseconds = 20;

// The lock of a directory left by a station that is gone, taken here: the file was written
// by the station that held it before. nullptr for any other directory.
std::unique_ptr<platform::File> TakeLeftOver(platform::FileSystem& files, const std::string& directory) {
    if (!files.CheckPrivateDirectory(directory).empty()) return nullptr;
    auto lock = files.Open(directory + "/" + kHomeLockName, platform::OpenMode::ReadWriteExisting);
    return lock != nullptr && lock->Length() > 0 ? std::move(lock) : nullptr;
}

}  // namespace

std::unique_ptr<platform::File> ClaimHome(platform::FileSystem& files, platform::Clock& clock,
                                          const std::string& directory) {
    const std::string path = directory + "/" + kHomeLockName;
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        if (attempt > 0) clock.Sleep(kClaimPauseMilliseconds);
        auto lock = files.Open(path, platform::OpenMode::CreateReadWrite);
        if (!lock) continue;
        const long length = static_cast<long>(sizeof kClaimText - 1);
        return lock->Write(kClaimText, sizeof kClaimText - 1) == length ? std::move(lock) : nullptr;
    }
    return nullptr;
}

int RemoveLeftoverHomes(platform::FileSystem& files, const std::string& root, const std::string& prefix) {
    auto entries = files.List(root);
    if (!entries) return 0;
    int removed = 0;
    for (const platform::DirectoryEntry& entry : *entries) {
        if (!entry.isDirectory || entry.name.rfind(prefix, 0) != 0 || entry.name.size() == prefix.size()) continue;
        const std::string directory = root + entry.name;
        auto lock = TakeLeftOver(files, directory);
        if (!lock) continue;
        // Links inside are removed themselves, never followed.
        std::error_code failed;
        if (std::filesystem::remove_all(directory, failed) > 0 && !failed) ++removed;
    }
    return removed;
}

}  // namespace mendora::station

#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mendora::vdrive {

enum class PlugEvent { Arrival, Removal };

// Watches an image for plugging and unplugging by any process (inotify on the file; on
// Windows, ReadDirectoryChangesW on its folder). Waitable() becomes ready when something may
// have changed (a readable descriptor; on Windows a signalled event handle); Poll() then
// answers the events since the last call, in order.
class PlugWatcher {
public:
    explicit PlugWatcher(const std::string& imagePath);
    ~PlugWatcher();
    PlugWatcher(const PlugWatcher&) = delete;
    PlugWatcher& operator=(const PlugWatcher&) = delete;

    bool IsWatching() const { return watch_ != nullptr; }
    std::intptr_t Waitable() const;
    std::vector<PlugEvent> Poll();

private:
    struct Watch;
    bool ReadPlugState(std::uint32_t* plugged, std::uint32_t* generation);
    std::vector<PlugEvent> EventsSinceLastPoll();

    std::string path_;
    std::unique_ptr<Watch> watch_;
    std::uint32_t plugged_ = 0;
    std::uint32_t generation_ = 0;
};

}  // namespace mendora::vdrive

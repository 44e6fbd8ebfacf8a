#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mendora::vdrive {

enum class PlugEvent { Arrival, Removal };

// Watches an image for plugging and unplugging by any process (inotify on the file).
// Descriptor() becomes readable when something may have changed; Poll() then answers the
// events since the last call, in order.
class PlugWatcher {
public:
    explicit PlugWatcher(const std::string& imagePath);
    ~PlugWatcher();
    PlugWatcher(const PlugWatcher&) = delete;
    PlugWatcher& operator=(const PlugWatcher&) = delete;

    bool IsWatching() const { return inotify_ >= 0; }
    int Descriptor() const { return inotify_; }
    std::vector<PlugEvent> Poll();

private:
    bool ReadPlugState(std::uint32_t* plugged, std::uint32_t* generation);

    std::string path_;
    int inotify_ = -1;
    std::uint32_t plugged_ = 0;
    std::uint32_t generation_ = 0;
};

}  // namespace mendora::vdrive

#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace mendora::station {

// Follows a worker's own drive through the re-plug it asks for. The drive is back once a look
// found it gone and a later one found it present, or a look found it present as another
// instance of itself: pulled out and plugged in again between two looks, as a quick re-plug
// does within one tick. It is released once nothing more has changed for kQuietTicks ticks.
// Looks come from the device-change thread, ticks from the worker's.
class ReplugFollow {
public:
    static constexpr std::uint32_t kQuietTicks = 50;  // of 100 ms: the bus settles

    // What the drive was when the user was asked: absent (nullopt) or present as `instance`.
    explicit ReplugFollow(std::optional<std::string> instance) : last_(std::move(instance)) {}

    // What a look after a device change found.
    void Saw(const std::optional<std::string>& instance);
    // One tick; answers true on the tick that releases.
    bool Tick();
    bool Released();

private:
    std::mutex mutex_;
    std::optional<std::string> last_;
    bool gone_ = false;
    bool back_ = false;
    bool changed_ = false;  // since the last tick
    std::uint32_t quiet_ = 0;
    bool released_ = false;
};

}  // namespace mendora::station

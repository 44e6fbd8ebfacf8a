#pragma once
#include <atomic>
#include <cstdint>

namespace mendora {

// Watches the device-change events for the user's unplug and replug of the drive: once a
// removal and an arrival have been seen, more than 50 ticks (of 100 ms) without a further
// event release the library phase. An event during the quiet time starts the count again.
class ReplugWatch {
public:
    static constexpr std::uint32_t kQuietTicks = 50;

    void OnRemoval() { removalEvent_ = true; }
    void OnArrival() { arrivalEvent_ = true; }
    // Forgets the events and what was seen; the released state stays.
    void Restart();
    // Back to not released, for a new run.
    void ClearReleased() { released_ = false; }
    // One tick of the watch; answers true on the tick that releases the library phase.
    bool Tick();
    bool Released() const { return released_; }

private:
    void ClearEvents();

    std::atomic<bool> removalEvent_{false};
    std::atomic<bool> arrivalEvent_{false};
    bool removalSeen_ = false;
    bool arrivalSeen_ = false;
    std::uint32_t quietTicks_ = 0;
    bool released_ = false;
};

}  // namespace mendora

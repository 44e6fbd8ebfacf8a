#include "vdrive/PlugWatcher.h"

namespace mendora::vdrive {

std::vector<PlugEvent> PlugWatcher::EventsSinceLastPoll() {
    std::vector<PlugEvent> events;
    std::uint32_t plugged = 0, generation = 0;
    if (!ReadPlugState(&plugged, &generation) || generation == generation_) return events;
    // Several changes between two polls: report a removal and an arrival at most, ending
    // in the state the drive is in now.
    std::uint32_t changes = generation - generation_;
    PlugEvent last = plugged ? PlugEvent::Arrival : PlugEvent::Removal;
    PlugEvent before = plugged ? PlugEvent::Removal : PlugEvent::Arrival;
    if (changes % 2 == 0 || plugged == plugged_) events.push_back(before);
    events.push_back(last);
    plugged_ = plugged;
    generation_ = generation;
    return events;
}

}  // namespace mendora::vdrive

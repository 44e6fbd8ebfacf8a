#pragma once
#include "platform/kernel/Clock.h"

namespace mendora::platform {

class LinuxClock : public Clock {
public:
    std::uint64_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    std::int64_t CalendarTime() override;
    TimeOfDay LocalTimeOfDay() override;
};

}  // namespace mendora::platform

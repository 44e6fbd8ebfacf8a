#pragma once
#include <cstdint>

namespace mendora::platform {

struct TimeOfDay {
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
    int second = 0;  // 0-59
};

// The time of day of a calendar time, in UTC: what virtual clocks report as local time.
inline TimeOfDay UtcTimeOfDay(std::int64_t calendarSeconds) {
    std::int64_t day = (calendarSeconds % 86400 + 86400) % 86400;
    return {static_cast<int>(day / 3600), static_cast<int>(day / 60 % 60), static_cast<int>(day % 60)};
}

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, never going back.
    virtual std::uint64_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Seconds since 1970-01-01 UTC.
    virtual std::int64_t CalendarTime() = 0;
    // The local time of day now.
    virtual TimeOfDay LocalTimeOfDay() = 0;
};

}  // namespace mendora::platform

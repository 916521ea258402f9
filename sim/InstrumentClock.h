#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace sim {

// A date and time as the instrument keeps it: no time zone, whole seconds.
struct CalendarTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// The instrument's real-time clock. It runs on from wherever it was last set, like a battery
// clock, with no time zone: a change of the computer's clock or of daylight saving time does not
// move it. Until it is first set it shows the computer's local time.
class InstrumentClock {
public:
    using HostNow = std::function<std::chrono::local_seconds()>;
    using Running = std::function<std::chrono::steady_clock::time_point()>;

    // `hostNow` gives the computer's local time, `running` the time that passes; tests pass
    // their own.
    explicit InstrumentClock(HostNow hostNow = HostLocalNow,
                             Running running = std::chrono::steady_clock::now);

    // Sets the clock; refuses (false, clock unchanged) a date or time that does not exist.
    bool Set(const CalendarTime& time);
    CalendarTime Now() const;

    static std::chrono::local_seconds HostLocalNow();
    static std::optional<std::chrono::local_seconds> ToSeconds(const CalendarTime& time);
    static CalendarTime FromSeconds(std::chrono::local_seconds seconds);

private:
    HostNow hostNow_;
    Running running_;
    std::optional<std::chrono::local_seconds> setting_;
    std::chrono::steady_clock::time_point setAt_{};
};

}  // namespace sim

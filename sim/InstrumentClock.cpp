#include "InstrumentClock.h"

#include <algorithm>
#include <ctime>

namespace sim {

using namespace std::chrono;

InstrumentClock::InstrumentClock(HostNow hostNow, Running running)
    : hostNow_(std::move(hostNow)), running_(std::move(running)) {}

bool InstrumentClock::Set(const CalendarTime& time) {
    const auto seconds = ToSeconds(time);
    if (!seconds) return false;
    setting_ = seconds;
    setAt_ = running_();
    return true;
}

CalendarTime InstrumentClock::Now() const {
    if (!setting_) return FromSeconds(hostNow_());
    return FromSeconds(*setting_ + floor<std::chrono::seconds>(running_() - setAt_));
}

local_seconds InstrumentClock::HostLocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    const CalendarTime local{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                             parts.tm_hour,        parts.tm_min,     std::min(parts.tm_sec, 59)};
    return *ToSeconds(local);
}

std::optional<local_seconds> InstrumentClock::ToSeconds(const CalendarTime& time) {
    const year_month_day date{year{time.year}, month{static_cast<unsigned>(time.month)},
                              day{static_cast<unsigned>(time.day)}};
    if (!date.ok() || time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 ||
        time.second < 0 || time.second > 59)
        return std::nullopt;
    return local_days{date} + hours{time.hour} + minutes{time.minute} + seconds{time.second};
}

CalendarTime InstrumentClock::FromSeconds(local_seconds seconds) {
    const auto days = floor<std::chrono::days>(seconds);
    const year_month_day date{days};
    const hh_mm_ss clock{seconds - days};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count())};
}

}  // namespace sim

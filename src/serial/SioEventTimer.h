#pragma once

#include <cstdint>

// A timer counted in ticks of 55 ms, as the trigger timers use. Ticks count the low 31 bits of
// the millisecond clock, so they wrap after MaxTicks (about 24.8 days); expiry is also
// recognised across that wrap.
struct TSioEventTimer {
    static constexpr std::uint32_t TickMs = 55;
    static constexpr std::uint32_t MaxTicks = 39'045'157;  // the tick count of a wrapped clock

    std::uint32_t StartTick = 0;
    std::uint32_t ExpiryTick = 0;

    static std::uint32_t TicksOf(std::uint32_t ms) { return (ms & 0x7FFFFFFFu) / TickMs; }

    void Start(std::uint32_t nowMs, std::uint32_t durationTicks) {
        StartTick = TicksOf(nowMs);
        ExpiryTick = StartTick + (durationTicks < MaxTicks ? durationTicks : MaxTicks);
    }

    bool Expired(std::uint32_t nowMs) const {
        const std::uint32_t now = TicksOf(nowMs);
        if (now > ExpiryTick) return true;
        return now < StartTick && now + MaxTicks > ExpiryTick;
    }
};

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

    // Milliseconds from `nowMs` until the first moment Expired holds, 0 when it holds already;
    // what sleeps until a timer is due sleeps this long. An expiry beyond the wrap of the tick
    // count gives the time to the wrap, after which the question is asked again.
    std::uint32_t MsUntilExpired(std::uint32_t nowMs) const {
        if (Expired(nowMs)) return 0;
        const std::uint64_t now = nowMs & 0x7FFFFFFFu;
        // Not expired: before the wrap the first tick past the expiry is due, after it the first
        // tick at which the wrapped count has gone round far enough.
        const std::uint64_t dueTick = TicksOf(nowMs) < StartTick
                                          ? std::uint64_t{ExpiryTick} - MaxTicks + 1
                                          : std::uint64_t{ExpiryTick} + 1;
        constexpr std::uint64_t wrapMs = 0x80000000u;
        const std::uint64_t dueMs = dueTick * TickMs;
        return static_cast<std::uint32_t>((dueMs < wrapMs ? dueMs : wrapMs) - now);
    }
};

#pragma once

#include <cstdint>
#include <vector>

#include "SioDataMatcher.h"
#include "SioEventTimer.h"

// Trigger records of a dispatcher. Handles are multiples of 8; a status trigger's handle also
// carries its kind in the low 3 bits.

struct TSioTimerTrigger {
    std::int32_t Handle = 0;
    TSioEventTimer Timer;
    std::uint32_t Duration = 0;  // ticks of 55 ms
    bool Active = false;
};

struct TSioStatusTrigger {
    std::int32_t Handle = 0;
    std::int32_t Kind = 0;
    std::uint16_t Value = 0;
    bool Armed = false;
    bool Fired = false;  // fired in the current pass
};

struct TSioDataTrigger {
    std::int32_t Handle = 0;
    TSioDataMatcher Matcher;
    bool Matched = false;
};

// Copies of all triggers of a dispatcher, kept by the com port across a close and reopen.
struct TriggerSnapshot {
    std::int32_t Threshold = 0;
    std::vector<TSioTimerTrigger> Timers;
    std::vector<TSioDataTrigger> Data;
    std::vector<TSioStatusTrigger> Status;
};

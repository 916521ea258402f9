#pragma once

#include <cstdint>

// Where a dispatcher reads the time and how it sleeps; tests put in a clock they can move.
class TSioClock {
  public:
    virtual ~TSioClock() = default;
    // Milliseconds of a steady clock; wraps after about 49 days.
    virtual std::uint32_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// The steady clock of the machine. Shared by every dispatcher that is given no other clock.
TSioClock& SystemClock();

namespace sio {
// Milliseconds of the machine's steady clock (the shared system clock).
std::uint32_t MsClock();
}  // namespace sio

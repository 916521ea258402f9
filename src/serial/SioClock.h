#pragma once

#include <cstdint>

class SyncEvent;

// Where a dispatcher reads the time and how it sleeps; tests put in a clock they can move.
class TSioClock {
  public:
    virtual ~TSioClock() = default;
    // Milliseconds of a steady clock; wraps after about 49 days.
    virtual std::uint32_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
    // Waits for `event` at most `ms` of this clock's time; true when the event came (and was
    // taken, as SyncEvent::WaitFor takes it).
    virtual bool WaitFor(SyncEvent& event, std::uint32_t ms);
};

// The steady clock of the machine. Shared by every dispatcher that is given no other clock.
TSioClock& SystemClock();

namespace sio {
// Milliseconds of the machine's steady clock (the shared system clock).
std::uint32_t MsClock();
}  // namespace sio

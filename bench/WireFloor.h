#pragma once

#include <string>

#include "LineServer.h"

class TMainForm;

// The shortest time the sequencer can take for a job at a given line timing, worked out from the
// frames that actually cross the wire (the program's own command frames, the simulated
// instrument's replies). Each exchange costs the command on the wire, the turnaround, the reply
// on the wire and the sequencer's 20 ms pacing tick that follows every reply.
class WireFloor {
  public:
    explicit WireFloor(sim::LineTiming timing) : timing_(timing) {}

    // Connecting: ten ticks of 100 ms waiting for a reply that is not coming (nothing has been
    // sent yet), then six exchanges; the pacing tick after the last one brings the sequencer to
    // rest at the clock poll.
    double ConnectMs() const;
    // The exchanges of one page's full read or write, the entries as the window holds them now.
    // The tick that starts a transfer (100 ms after the button) is not included.
    double TransferMs(const TMainForm& form, int page, bool write) const;

    static constexpr double kStartTickMs = 100;

  private:
    double ExchangeMs(std::size_t commandBytes, std::size_t replyBytes) const;

    sim::LineTiming timing_;
};

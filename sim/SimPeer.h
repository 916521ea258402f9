#pragma once

#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

#include "Output.h"

namespace sim {

// A device at the far end of the line, as the line server drives it. Time is passed in, so the
// devices stay free of clocks and threads.
class SimPeer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~SimPeer() = default;

    // Bytes that arrived at `now`; returns what to send back in answer, in order.
    virtual std::vector<Output> Receive(std::string_view bytes, TimePoint now) = 0;
    // Output the device produces by itself once its time has come (inquiry results).
    virtual std::vector<Output> Due(TimePoint /*now*/) { return {}; }
    // When Due next has something, if ever.
    virtual std::optional<TimePoint> NextDue() const { return std::nullopt; }
};

}  // namespace sim

#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace sim {

// A run of bytes the line carries without a gap, after `pause` of silence.
struct Burst {
    std::chrono::milliseconds pause{0};
    std::string bytes;
};

// What the simulated device puts on the line for one reply: one burst normally, several when a
// fault splits it, none when a fault silences it. `hangUpAfter` drops the line once it is sent.
struct Output {
    std::vector<Burst> bursts;
    bool hangUpAfter = false;

    static Output Of(std::string bytes) { return Output{{Burst{{}, std::move(bytes)}}, false}; }
    std::string Bytes() const {
        std::string all;
        for (const auto& burst : bursts) all += burst.bytes;
        return all;
    }
};

}  // namespace sim

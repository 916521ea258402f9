#pragma once

#include "FaultInjector.h"
#include "InstrumentEngine.h"
#include "SimPeer.h"

namespace sim {

// The instrument on the line: its engine's replies, passed through the chosen faults.
class InstrumentPeer : public SimPeer {
public:
    InstrumentPeer(InstrumentEngine& engine, FaultInjector& faults)
        : engine_(engine), faults_(faults) {}

    std::vector<Output> Receive(std::string_view bytes, TimePoint now) override;

private:
    InstrumentEngine& engine_;
    FaultInjector& faults_;
};

}  // namespace sim

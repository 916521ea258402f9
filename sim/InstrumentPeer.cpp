#include "InstrumentPeer.h"

namespace sim {

std::vector<Output> InstrumentPeer::Receive(std::string_view bytes, TimePoint /*now*/) {
    std::vector<Output> outputs;
    for (auto& frame : engine_.Feed(bytes)) outputs.push_back(faults_.Apply(std::move(frame)));
    return outputs;
}

}  // namespace sim

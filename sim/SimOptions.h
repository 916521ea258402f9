#pragma once

#include <string>
#include <vector>

#include "DongleEngine.h"
#include "FaultInjector.h"
#include "InstrumentEngine.h"
#include "LineServer.h"

namespace sim {

// Everything the command line of rostermate-sim chooses.
struct SimOptions {
    int comNumber = 9;
    bool dongle = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::string stateFile;
    InstrumentIdentity identity;
    LineTiming timing;
    FaultSettings faults;
    DongleSettings dongleSettings;
};

// Reads the arguments (without the program name). Raises ESimError naming the bad argument.
SimOptions ParseSimOptions(const std::vector<std::string>& arguments);

std::string SimUsage();

}  // namespace sim

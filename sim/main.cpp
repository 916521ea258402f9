// rostermate-sim: the instrument simulator on a pseudo-terminal published as a COM port.
#include <iostream>

#include "ESimError.h"
#include "Product.h"
#include "SimOptions.h"
#include "Simulator.h"

int main(int argc, char** argv) {
    try {
        const sim::SimOptions options =
            sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) std::cout << sim::SimUsage();
        if (options.version) std::cout << "rostermate-sim " ROSTERMATE_VERSION "\n";
        if (options.help || options.version) return 0;
        sim::Simulator simulator(options, std::cout, std::cerr);
        sim::StopOnSignals(simulator);
        return simulator.Serve();
    } catch (const Exception& error) {
        std::cerr << "rostermate-sim: " << error.Message() << '\n';
        return 2;
    }
}

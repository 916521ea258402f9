#pragma once

#include <string>

namespace sim {

// A new pseudo-terminal whose slave the program opens like a serial port; the simulator serves
// the master. Raw mode, so bytes pass untouched in both directions.
class PseudoTerminal {
public:
    PseudoTerminal();  // throws ESimError
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    // Drops the line: whoever holds the slave sees a hang-up.
    void Close();

private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace sim

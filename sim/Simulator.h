#pragma once

#include <memory>
#include <optional>
#include <ostream>

#include "ConversationLog.h"
#include "DongleEngine.h"
#include "FaultInjector.h"
#include "InstrumentEngine.h"
#include "InstrumentPeer.h"
#include "LineServer.h"
#include "PortLink.h"
#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "StateFile.h"

namespace sim {

// The whole simulator as the command line runs it: the instrument (behind a dongle if asked),
// its state file, a pseudo-terminal published as a COM port, and the line server.
class Simulator {
public:
    // Sets everything up and announces the port on `out`; raises ESimError when it cannot.
    Simulator(const SimOptions& options, std::ostream& out, std::ostream& err);
    ~Simulator();

    // Serves until Stop(); returns the exit status for the program.
    int Serve();
    void Stop() noexcept { server_->Stop(); }

    const std::string& DevicePath() const { return pty_.SlavePath(); }

private:
    void SaveState();

    std::ostream& out_;
    std::ostream& err_;
    InstrumentEngine engine_;
    FaultInjector faults_;
    InstrumentPeer instrument_;
    std::optional<DongleEngine> dongle_;
    std::optional<StateFile> state_;
    std::optional<ConversationLog> log_;
    PseudoTerminal pty_;
    std::unique_ptr<PortLink> link_;
    std::unique_ptr<LineServer> server_;
};

// SIGINT, SIGTERM and SIGHUP stop the simulator, so it can remove its link on the way out.
void StopOnSignals(Simulator& simulator);

}  // namespace sim

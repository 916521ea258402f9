#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "DongleEngine.h"
#include "FaultInjector.h"
#include "InstrumentEngine.h"
#include "LineServer.h"
#include "PtyPair.h"

// The simulated instrument for end-to-end tests: it serves a pseudo-terminal from its own thread,
// and the code under test opens DevicePath() like any serial port. Unpaced and without a
// turnaround unless the test asks for line timing.
class SimulatedInstrument {
public:
    struct Settings {
        sim::InstrumentIdentity identity;
        sim::LineTiming timing{0, std::chrono::milliseconds(0)};
        sim::FaultSettings faults;
        bool dongle = false;
        sim::DongleSettings dongleSettings;
        sim::ConversationLog* log = nullptr;  // the conversation as the simulator prints it
    };

    SimulatedInstrument();
    explicit SimulatedInstrument(Settings settings);
    ~SimulatedInstrument();
    SimulatedInstrument(const SimulatedInstrument&) = delete;
    SimulatedInstrument& operator=(const SimulatedInstrument&) = delete;

    const std::string& DevicePath() const { return pty_.SlavePath(); }

    // What the instrument holds and what it has been sent so far (safe while it serves).
    // A register takes 16 characters as the instrument stores them (list texts reversed);
    // another width raises ESimError.
    std::string Register(int index) const;
    void SetRegister(int index, const std::string& text);
    std::string Received() const;
    // Bytes the simulator sent, or left unread, while no program had the port open.
    std::size_t LostBytes() const { return server_->LostBytes(); }
    // True once a disconnect fault has dropped the line.
    bool LineDropped() const;

private:
    class LockedPeer;

    Settings settings_;
    mutable std::mutex mutex_;
    sim::InstrumentEngine engine_;
    sim::FaultInjector faults_;
    std::unique_ptr<LockedPeer> peer_;
    PtyPair pty_;
    std::unique_ptr<sim::LineServer> server_;
    bool dropped_ = false;
    std::thread thread_;
};

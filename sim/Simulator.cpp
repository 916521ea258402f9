#include "Simulator.h"

#include <signal.h>

#include <atomic>

#include "ESimError.h"

namespace sim {

Simulator::Simulator(const SimOptions& options, std::ostream& out, std::ostream& err)
    : out_(out),
      err_(err),
      engine_(options.identity),
      faults_(options.faults),
      instrument_(engine_, faults_) {
    if (!options.stateFile.empty()) {
        state_.emplace(options.stateFile);
        Registers registers = engine_.AllRegisters();
        if (state_->Load(registers)) {
            engine_.SetRegisters(registers);
        } else {
            state_->Save(
                registers);  // a file we cannot write is reported now, not at the first write
        }
        engine_.OnRegisterWritten = [this](int) { SaveState(); };
    }
    if (options.verbose) {
        log_.emplace(out_);
        engine_.OnNote = [this](const std::string& note) { log_->Note(note); };
    }
    SimPeer* peer = &instrument_;
    if (options.dongle) peer = &dongle_.emplace(instrument_, options.dongleSettings);

    // The server watches the port before it is published, so it sees the program's first open.
    server_ = std::make_unique<LineServer>(pty_.MasterFd(), *peer, options.timing,
                                           log_ ? &*log_ : nullptr);
    link_ = std::make_unique<PortLink>(PortDirectory(), options.comNumber, pty_.SlavePath());

    out_ << "rostermate-sim: COM" << options.comNumber << " -> " << pty_.SlavePath() << " (link "
         << link_->LinkPath() << "), instrument " << engine_.Identity().serial
         << (options.dongle ? " behind a Bluetooth dongle" : "")
         << (options.timing.baud > 0 ? ", 9600 baud" : ", unpaced")
         << (options.faults.Any() ? ", faults on" : "") << '\n'
         << std::flush;
}

Simulator::~Simulator() = default;

int Simulator::Serve() {
    const LineServer::End end = server_->Run();
    if (log_) log_->Flush();
    switch (end) {
        case LineServer::End::Stopped:
            break;
        case LineServer::End::HungUp:
            pty_.Close();
            out_ << "rostermate-sim: line dropped after " << faults_.Replies() << " replies\n";
            break;
        case LineServer::End::DeviceLost:
            err_ << "rostermate-sim: the pseudo-terminal failed\n";
            return 1;
    }
    out_ << std::flush;
    return 0;
}

void Simulator::SaveState() {
    try {
        state_->Save(engine_.AllRegisters());
    } catch (const ESimError& error) {
        err_ << "rostermate-sim: " << error.Message() << '\n' << std::flush;
    }
}

namespace {

std::atomic<Simulator*> signalTarget{nullptr};

void OnStopSignal(int) {
    if (Simulator* simulator = signalTarget.load()) simulator->Stop();
}

}  // namespace

void StopOnSignals(Simulator& simulator) {
    signalTarget.store(&simulator);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace sim

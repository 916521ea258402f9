#include "SimulatedInstrument.h"

#include "InstrumentPeer.h"

// Runs the device under the fixture's lock, so a test can look at the registers meanwhile.
class SimulatedInstrument::LockedPeer : public sim::SimPeer {
public:
    LockedPeer(SimulatedInstrument& owner)
        : owner_(owner), instrument_(owner.engine_, owner.faults_) {
        if (owner.settings_.dongle) dongle_.emplace(instrument_, owner.settings_.dongleSettings);
    }

    std::vector<sim::Output> Receive(std::string_view bytes, TimePoint now) override {
        std::lock_guard lock(owner_.mutex_);
        received_.append(bytes);
        return Device().Receive(bytes, now);
    }
    std::vector<sim::Output> Due(TimePoint now) override {
        std::lock_guard lock(owner_.mutex_);
        return Device().Due(now);
    }
    std::optional<TimePoint> NextDue() const override {
        std::lock_guard lock(owner_.mutex_);
        return dongle_ ? dongle_->NextDue() : std::nullopt;
    }
    const std::string& ReceivedLocked() const { return received_; }

private:
    sim::SimPeer& Device() { return dongle_ ? static_cast<sim::SimPeer&>(*dongle_) : instrument_; }

    SimulatedInstrument& owner_;
    sim::InstrumentPeer instrument_;
    std::optional<sim::DongleEngine> dongle_;
    std::string received_;
};

SimulatedInstrument::SimulatedInstrument() : SimulatedInstrument(Settings{}) {}

SimulatedInstrument::SimulatedInstrument(Settings settings)
    : settings_(std::move(settings)),
      engine_(settings_.identity),
      faults_(settings_.faults),
      peer_(std::make_unique<LockedPeer>(*this)),
      server_(std::make_unique<sim::LineServer>(pty_.MasterFd(), *peer_, settings_.timing,
                                               settings_.log)) {
    thread_ = std::thread([this] {
        if (server_->Run() == sim::LineServer::End::HungUp) {
            std::lock_guard lock(mutex_);
            dropped_ = true;
            pty_.CloseMaster();
        }
    });
}

SimulatedInstrument::~SimulatedInstrument() {
    server_->Stop();
    thread_.join();
}

std::string SimulatedInstrument::Register(int index) const {
    std::lock_guard lock(mutex_);
    return engine_.Register(index);
}

void SimulatedInstrument::SetRegister(int index, const std::string& text) {
    std::lock_guard lock(mutex_);
    sim::Registers registers = engine_.AllRegisters();
    registers.at(static_cast<std::size_t>(index)) = text;
    engine_.SetRegisters(registers);
}

std::string SimulatedInstrument::Received() const {
    std::lock_guard lock(mutex_);
    return peer_->ReceivedLocked();
}

bool SimulatedInstrument::LineDropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

#pragma once

#include <memory>
#include <string>

#include "ScopedEnv.h"
#include "SimulatedInstrument.h"
#include "TempDir.h"

// A simulated instrument that a program finds as COM<n>: a link in a private port folder, with
// the kernel's own serial ports out of sight (the port table reads an empty folder instead), so
// the port list holds this one port. For the life of the object the environment points there.
class PublishedInstrument {
  public:
    explicit PublishedInstrument(int comNumber = 9);
    ~PublishedInstrument();
    PublishedInstrument(const PublishedInstrument&) = delete;
    PublishedInstrument& operator=(const PublishedInstrument&) = delete;

    // Starts a simulator (an earlier one goes) and publishes it.
    SimulatedInstrument& Start(SimulatedInstrument::Settings settings = {});
    // Only the link goes: the port leaves the list while the simulator serves on.
    void Unpublish();
    // The simulator ends and its link goes, as when an instrument is unplugged.
    void Stop();
    // Publishes any device as COM<n> in the same folder.
    void Link(int comNumber, const std::string& devicePath) const;

    SimulatedInstrument& Instrument() const { return *instrument_; }
    int ComNumber() const { return comNumber_; }

  private:
    std::string LinkPath(int comNumber) const;

    int comNumber_;
    TempDir ports_;
    TempDir sysfs_;
    ScopedEnv portsEnv_{"ROSTERMATE_PORTS", ports_.Path()};
    ScopedEnv sysfsEnv_{"ROSTERMATE_SYSFS", sysfs_.Path()};
    std::unique_ptr<SimulatedInstrument> instrument_;
};

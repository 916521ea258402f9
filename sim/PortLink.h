#pragma once

#include <string>

namespace sim {

// The folder where serial ports are published as links named "COM<n>": $ROSTERMATE_PORTS, else
// $XDG_RUNTIME_DIR/rostermate/ports, else /tmp/rostermate-<uid>/ports.
std::string PortDirectory();

// A "COM<n>" link to a device, present for the lifetime of the object. A link left behind by a
// simulator that was killed (its device gone) is replaced; a link to a live device is not.
class PortLink {
public:
    PortLink(const std::string& directory, int comNumber, const std::string& devicePath);
    ~PortLink();  // removes the link if it still points at our device
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::string& LinkPath() const { return linkPath_; }
    void Remove() noexcept;

private:
    std::string linkPath_;
    std::string devicePath_;
    bool published_ = false;
};

}  // namespace sim

#pragma once

#include <string>

namespace sim {

// Whether a program has the simulated port open. The simulator keeps a handle of the slave
// itself, so the pseudo-terminal never says when the program closes it; the file system's
// open and close notices on the device do, a crashed program's included.
class PortWatch {
public:
    // Watches `devicePath` from now on. Without notices (none available, or too many to
    // follow) the port counts as open, which is how the line behaved without a watch.
    explicit PortWatch(const std::string& devicePath);
    ~PortWatch();
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // Readable when notices wait; -1 without a watch.
    int Fd() const { return fd_; }
    // Takes the waiting notices; true when the last program has just closed the port.
    bool Update();
    bool ProgramPresent() const { return !known_ || openers_ > 0; }

private:
    int fd_ = -1;
    int openers_ = 0;
    bool known_ = false;  // an open has been seen and every notice since followed
};

}  // namespace sim

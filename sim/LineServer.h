#pragma once

#include <chrono>
#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "ConversationLog.h"
#include "PortWatch.h"
#include "SimPeer.h"

namespace sim {

// How the simulated line behaves in time.
struct LineTiming {
    int baud = 9600;                           // 0: no pacing, bytes go out at once (fast tests)
    std::chrono::milliseconds turnaround{10};  // from the end of a command to its reply

    // One start bit, eight data bits, one stop bit.
    std::chrono::nanoseconds ByteTime() const {
        return baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud)
                        : std::chrono::nanoseconds(0);
    }
};

// Serves a simulated device on the master side of a pseudo-terminal: whatever the program
// writes to the slave reaches the device, and the device's output comes back paced as on a
// real serial line. Bytes also arrive at line speed: a command is complete only when its last
// byte would have crossed the wire, and the reply starts a turnaround later.
//
// The server keeps a handle of the slave open itself, so a program that closes the port and
// opens it again finds the line as it left it, and the master never reports a hang-up. What the
// device sends while no program has the port open is lost, as on a real line, and so is what
// the program left unread when it closed: the next program to open the port finds no old input.
// Nor does it find the port still in exclusive mode when the last one ended without leaving it.
class LineServer {
public:
    enum class End { Stopped, HungUp, DeviceLost };

    // `masterFd` stays owned by the caller; it is switched to non-blocking mode.
    LineServer(int masterFd, SimPeer& peer, LineTiming timing, ConversationLog* log = nullptr);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Serves until Stop(), a hang-up fault, or a failing device. Then the caller closes the
    // master; after a hang-up that is what the program sees as the line dropping.
    End Run();
    // Ends Run() from any thread or from a signal handler.
    void Stop() noexcept;
    // Replies dropped because the output queue was full (nobody reading the line).
    std::size_t DroppedReplies() const { return dropped_; }
    // Bytes lost because no program had the port open.
    std::size_t LostBytes() const { return lost_; }

private:
    using Clock = std::chrono::steady_clock;

    struct Pending {
        Clock::time_point readyAt;
        std::chrono::milliseconds pause;
        std::string bytes;
        bool hangUpAfter = false;
        bool started = false;
        Clock::time_point start{};
        std::size_t sent = 0;
        bool lost = false;  // some of it went out while no program had the port open
    };

    void Schedule(std::vector<Output> outputs, Clock::time_point readyAt);
    bool Receive(Clock::time_point now);
    bool WriteDue(Clock::time_point now, bool& hungUp);
    Clock::time_point NextWake(Clock::time_point now) const;
    int Unread() const;
    void ProgramLeft();
    bool ProgramPresent() const { return !watch_ || watch_->ProgramPresent(); }

    int master_;
    int slaveHold_ = -1;
    std::unique_ptr<PortWatch> watch_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    SimPeer& peer_;
    LineTiming timing_;
    ConversationLog* log_;
    std::deque<Pending> queue_;
    Clock::time_point lineFreeAt_{};
    Clock::time_point rxWireAt_{};
    Clock::time_point lastTraffic_{};
    std::size_t queuedBytes_ = 0;
    std::size_t dropped_ = 0;
    std::atomic<std::size_t> lost_ = 0;
    bool writeBlocked_ = false;
    std::optional<Clock::time_point> hangUpAt_;
};

}  // namespace sim

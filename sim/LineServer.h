#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "ConversationLog.h"
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
// opens it again finds the line as it left it, and the master never reports a hang-up.
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
    };

    void Schedule(std::vector<Output> outputs, Clock::time_point readyAt);
    bool Receive(Clock::time_point now);
    bool WriteDue(Clock::time_point now, bool& hungUp);
    Clock::time_point NextWake(Clock::time_point now) const;
    int Unread() const;

    int master_;
    int slaveHold_ = -1;
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
    bool writeBlocked_ = false;
    std::optional<Clock::time_point> hangUpAt_;
};

}  // namespace sim

// The serial stack end to end over a pseudo-terminal, against the same workload done with plain
// read/write/poll on the same kind of device in the same run. The instrument side (a thread on
// the master) is the same code for both.
//
//   round trip: a 14-byte command out, a 30-byte reply back, 2000 times (median, p99, max);
//   receive:    8 MiB from the instrument, taken byte by byte as the program does (ReadChar);
//   transmit:   8 MiB to the instrument through the output ring.
//
// The stack is the com port component, reached by COM number through a link in a private port
// folder, with its events delivered by a plain message loop on the main thread.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ProcessCpu.h"
#include "PtyPair.h"
#include "SioExcept.h"
#include "SioMessageLoop.h"
#include "SioPort.h"
#include "SioPortHooks.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 2000;
constexpr std::size_t kCommand = 14;
constexpr std::size_t kReply = 30;
constexpr std::size_t kStream = 8u << 20;
constexpr std::size_t kPiece = 4096;

struct Latency {
    double median = 0, p99 = 0, max = 0;  // microseconds
};

Latency Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100], samples.back()};
}

struct Stream {
    double mibPerSecond = 0, cpuPerMib = 0;
};

// Runs `work` and measures it as a stream of kStream bytes.
Stream Measure(const std::function<void()>& work) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    work();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double mib = double(kStream) / (1 << 20);
    return {mib / wall, (CpuSeconds() - cpu) / mib};
}

// The instrument: answers every command with a reply.
std::thread Answerer(PtyPair& pty) {
    return std::thread([&pty] {
        const std::string reply(kReply, 'r');
        for (int i = 0; i < kRoundTrips; ++i) {
            if (pty.Read(kCommand, std::chrono::seconds(10)).size() != kCommand) return;
            pty.Write(reply);
        }
    });
}

std::thread Talker(PtyPair& pty) {
    return std::thread([&pty] { pty.Write(std::string(kStream, 's')); });
}

std::thread Listener(PtyPair& pty, std::size_t& got) {
    return std::thread([&pty, &got] {
        while (got < kStream) {
            const std::string piece =
                pty.Read(std::min(kStream - got, std::size_t{65536}), std::chrono::seconds(10));
            if (piece.empty()) return;
            got += piece.size();
        }
    });
}

// --- Plain system calls -------------------------------------------------------------------

class PlainLine {
  public:
    explicit PlainLine(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        cfsetspeed(&t, B9600);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~PlainLine() { ::close(fd_); }

    void WriteAll(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
            } else {
                Wait(POLLOUT);
            }
        }
    }
    std::size_t ReadSome(char* buffer, std::size_t size) {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n > 0) return static_cast<std::size_t>(n);
            Wait(POLLIN);
        }
    }

  private:
    void Wait(short events) {
        pollfd p{fd_, events, 0};
        ::poll(&p, 1, 10000);
    }
    int fd_;
};

Latency PlainRoundTrips() {
    PtyPair pty;
    PlainLine line(pty.SlavePath());
    std::thread instrument = Answerer(pty);
    const std::string command(kCommand, 'c');
    std::vector<double> samples;
    char buffer[kReply];
    for (int i = 0; i < kRoundTrips; ++i) {
        const auto start = Clock::now();
        line.WriteAll(command.data(), command.size());
        for (std::size_t got = 0; got < kReply;) got += line.ReadSome(buffer + got, kReply - got);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    instrument.join();
    return Summarise(samples);
}

Stream PlainReceive() {
    PtyPair pty;
    PlainLine line(pty.SlavePath());
    std::thread instrument = Talker(pty);
    std::vector<char> buffer(kPiece);
    const Stream result = Measure([&] {
        for (std::size_t got = 0; got < kStream;)
            got += line.ReadSome(buffer.data(), std::min(kPiece, kStream - got));
    });
    instrument.join();
    return result;
}

Stream PlainTransmit() {
    PtyPair pty;
    PlainLine line(pty.SlavePath());
    std::size_t got = 0;
    const std::string piece(kPiece, 't');
    std::thread instrument;
    const Stream result = Measure([&] {
        instrument = Listener(pty, got);
        for (std::size_t sent = 0; sent < kStream; sent += kPiece)
            line.WriteAll(piece.data(), piece.size());
        instrument.join();
    });
    return result;
}

// --- The whole stack ----------------------------------------------------------------------

// A com port on COM<n> linked to a fresh pseudo-terminal, its events pumped by `loop`.
class StackLine {
  public:
    StackLine() {
        std::filesystem::create_symlink(pty.SlavePath(), PortFolder() + "/COM9");
        SetSioNotifierFactory([this](TSioWindowProc procedure) {
            auto made = std::make_unique<TSioMessageLoop>(std::move(procedure));
            loop = made.get();
            return std::unique_ptr<TSioNotifier>(std::move(made));
        });
        port.SetComNumber(9);
        port.SetBaud(9600);
        port.SetOutSize(32768);
        port.OnTriggerAvail = [this](TSioPort p, std::uint16_t count) {
            for (std::uint16_t i = 0; i < count; ++i) received.push_back(p->ReadChar());
        };
        port.SetOpen(true);
    }
    ~StackLine() {
        port.SetOpen(false);
        SetSioNotifierFactory({});
        std::filesystem::remove(PortFolder() + "/COM9");
    }

    static std::string& PortFolder() {
        static std::string folder;
        return folder;
    }

    void WaitForReceived(std::size_t count) {
        while (received.size() < count) loop->WaitAndPumpOne(std::chrono::seconds(10));
    }

    PtyPair pty;
    TSioComPort port;
    TSioMessageLoop* loop = nullptr;
    std::string received;
};

Latency StackRoundTrips() {
    StackLine line;
    std::thread instrument = Answerer(line.pty);
    const std::string command(kCommand, 'c');
    std::vector<double> samples;
    for (int i = 0; i < kRoundTrips; ++i) {
        const auto start = Clock::now();
        line.port.WriteString(command);
        line.WaitForReceived(kReply);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        line.received.clear();
    }
    instrument.join();
    return Summarise(samples);
}

Stream StackReceive() {
    StackLine line;
    line.received.reserve(kStream);
    std::thread instrument = Talker(line.pty);
    const Stream result = Measure([&] { line.WaitForReceived(kStream); });
    instrument.join();
    return result;
}

Stream StackTransmit() {
    StackLine line;
    std::size_t got = 0;
    const std::string piece(kPiece, 't');
    std::thread instrument;
    const Stream result = Measure([&] {
        instrument = Listener(line.pty, got);
        for (std::size_t sent = 0; sent < kStream;) {
            // A full output ring: let the output thread catch up (the program never fills it).
            if (line.port.OutputPending() + kPiece > line.port.OutSize()) {
                line.loop->WaitAndPumpOne(std::chrono::milliseconds(1));
                continue;
            }
            line.port.WriteString(piece);
            sent += kPiece;
        }
        instrument.join();
    });
    return result;
}

void Row(const char* name, double stack, double plain, const char* unit, int decimals = 1) {
    std::printf("%-28s %12.*f %12.*f %9.2f  %s\n", name, decimals, stack, decimals, plain,
                stack / plain, unit);
}

}  // namespace

int main() {
    char folder[] = "/tmp/rostermate-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    StackLine::PortFolder() = folder;
    setenv("ROSTERMATE_PORTS", folder, 1);

    try {
        const Latency plainTrip = PlainRoundTrips();
        const Latency stackTrip = StackRoundTrips();
        const Stream plainIn = PlainReceive();
        const Stream stackIn = StackReceive();
        const Stream plainOut = PlainTransmit();
        const Stream stackOut = StackTransmit();

        std::printf("%-28s %12s %12s %9s\n", "pseudo-terminal workload", "stack", "plain", "ratio");
        Row("round trip median", stackTrip.median, plainTrip.median, "us (14 out, 30 back)");
        Row("round trip p99", stackTrip.p99, plainTrip.p99, "us");
        Row("round trip max", stackTrip.max, plainTrip.max, "us");
        Row("receive 8 MiB", stackIn.mibPerSecond, plainIn.mibPerSecond, "MiB/s");
        Row("receive CPU", stackIn.cpuPerMib, plainIn.cpuPerMib, "CPU s/MiB", 4);
        Row("transmit 8 MiB", stackOut.mibPerSecond, plainOut.mibPerSecond, "MiB/s");
        Row("transmit CPU", stackOut.cpuPerMib, plainOut.cpuPerMib, "CPU s/MiB", 4);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}

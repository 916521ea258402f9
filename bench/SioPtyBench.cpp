// The serial stack end to end over a pseudo-terminal, against the same workload done with plain
// read/write/poll on the same kind of device in the same run. The instrument side (a thread on
// the master) is the same code for both.
//
//   round trip: a 14-byte command out, a 30-byte reply back, 2000 times (median, p99, max, and
//               the process CPU per round trip), without and with the window's status lights;
//               each trip also split where the instrument has read the command and writes its
//               reply: the command's way out, and the reply's way back until it has been taken;
//   receive:    8 MiB from the instrument, taken byte by byte as the program does (ReadChar)
//               and looked at (a sum), as the plain loop looks at each byte it reads;
//   transmit:   8 MiB to the instrument through the output ring;
//
// The machine may be busy with other work: the plain loop and the stack take turns (100 round
// trips, or 2 MiB, at a time) so that both meet the same conditions.
//   idle:       the port open and nothing happening for --idle-seconds N (default 5), with the
//               window's status lights watching it: the process's wake-ups (context switches of
//               all its threads) and CPU, against a plain poll() on the device for as long.
//
// The stack is the com port component, reached by COM number through a link in a private port
// folder, with its events delivered by a plain message loop on the main thread.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ProcessCpu.h"
#include "PtyPair.h"
#include "SioExcept.h"
#include "SioMessageLoop.h"
#include "SioPort.h"
#include "SioPortHooks.h"
#include "SioStatLt.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 2000;
constexpr int kTripTurn = 100;  // round trips of one kind in a row
constexpr std::size_t kCommand = 14;
constexpr std::size_t kReply = 30;
constexpr std::size_t kStream = 8u << 20;
constexpr int kStreamTurns = 4;  // the stream is measured in this many pieces, taking turns
constexpr std::size_t kPiece = 4096;

struct Latency {
    double median = 0, p99 = 0, max = 0;  // microseconds
    double cpu = 0;                       // process CPU microseconds per round trip
    double out = 0, back = 0;             // medians of the two halves, microseconds
};

double Median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// Round trips, their halves and the CPU they took.
struct TripSamples {
    std::vector<double> whole, out, back;
    double cpuSeconds = 0;

    Latency Summary() const {
        std::vector<double> sorted = whole;
        std::sort(sorted.begin(), sorted.end());
        return {sorted[sorted.size() / 2],
                sorted[sorted.size() * 99 / 100],
                sorted.back(),
                cpuSeconds * 1e6 / double(sorted.size()),
                Median(out),
                Median(back)};
    }
};

// When the instrument had read the last command and was about to write its reply.
using AnswerTime = std::atomic<Clock::time_point>;

struct Idle {
    double cpuMs = 0;
    double wakeups = 0;
};

// Measures what the process does while `wait` lets the time go by.
Idle MeasureIdle(const std::function<void()>& wait) {
    const double cpu = CpuSeconds();
    const long switches = ContextSwitches();
    wait();
    return {(CpuSeconds() - cpu) * 1000, double(ContextSwitches() - switches)};
}

struct Stream {
    double mibPerSecond = 0, cpuPerMib = 0;
};

// Wall and CPU time of a stream measured in turns.
struct StreamTime {
    double wall = 0, cpu = 0;

    // Runs `work` (one turn) and adds its times.
    void Add(const std::function<void()>& work) {
        const double cpuStart = CpuSeconds();
        const auto start = Clock::now();
        work();
        wall += std::chrono::duration<double>(Clock::now() - start).count();
        cpu += CpuSeconds() - cpuStart;
    }
    Stream Of(std::size_t bytes) const {
        const double mib = double(bytes) / (1 << 20);
        return {mib / wall, cpu / mib};
    }
};

// The instrument: answers every command with a reply.
std::thread Answerer(PtyPair& pty, AnswerTime& answered) {
    return std::thread([&pty, &answered] {
        const std::string reply(kReply, 'r');
        for (int i = 0; i < kRoundTrips; ++i) {
            if (pty.Read(kCommand, std::chrono::seconds(10)).size() != kCommand) return;
            answered = Clock::now();
            pty.Write(reply);
        }
    });
}

std::thread Talker(PtyPair& pty, std::size_t bytes) {
    return std::thread([&pty, bytes] { pty.Write(std::string(bytes, 's')); });
}

std::thread Listener(PtyPair& pty, std::size_t bytes) {
    return std::thread([&pty, bytes] {
        for (std::size_t got = 0; got < bytes;) {
            const std::string piece =
                pty.Read(std::min(bytes - got, std::size_t{65536}), std::chrono::seconds(10));
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
    void Wait(short events, int limitMs = 10000) {
        pollfd p{fd_, events, 0};
        ::poll(&p, 1, limitMs);
    }

  private:
    int fd_;
};

Idle PlainIdle(int seconds) {
    PtyPair pty;
    PlainLine line(pty.SlavePath());
    return MeasureIdle([&] { line.Wait(POLLIN, seconds * 1000); });
}

// --- The whole stack ----------------------------------------------------------------------

// A lamp of the status lights; nothing to draw here.
class BenchLight final : public TSioLight {
  public:
    bool Lit() const override { return lit_; }
    void SetLit(bool lit) override { lit_ = lit; }

  private:
    bool lit_ = false;
};

// A com port on COM<n> linked to a fresh pseudo-terminal, its events pumped by `loop`. With
// `lights`, the port is watched the way the window watches its port: a status-light controller
// with a transmit and a receive light, switched on once the port is open.
class StackLine {
  public:
    explicit StackLine(int com, bool lights = false)
        : link_(PortFolder() + "/COM" + std::to_string(com)) {
        std::filesystem::create_symlink(pty.SlavePath(), link_);
        SetSioNotifierFactory([this](TSioWindowProc procedure) {
            auto made = std::make_unique<TSioMessageLoop>(std::move(procedure));
            loop = made.get();
            return std::unique_ptr<TSioNotifier>(std::move(made));
        });
        port.SetComNumber(static_cast<std::uint16_t>(com));
        port.SetBaud(9600);
        port.SetOutSize(32768);
        port.OnTriggerAvail = [this](TSioPort p, std::uint16_t count) {
            // Every byte is taken and looked at, as the window does; nothing is kept.
            for (std::uint16_t i = 0; i < count; ++i)
                sum += static_cast<unsigned char>(p->ReadChar());
            received += count;
        };
        if (lights) {
            controller.Lights().SetTXDLight(&tx);
            controller.Lights().SetRXDLight(&rx);
        }
        port.SetOpen(true);
        if (lights) controller.SetMonitoring(true);
    }
    ~StackLine() {
        port.SetOpen(false);
        SetSioNotifierFactory({});
        std::filesystem::remove(link_);
    }

    static std::string& PortFolder() {
        static std::string folder;
        return folder;
    }

    // Each line has its own loop; the factory is only used while a line opens.
    void WaitForReceived(std::size_t count) {
        while (received < count) loop->WaitAndPumpOne(std::chrono::seconds(10));
    }
    // Delivers the port's events until both lights are off (at most 10 s).
    void WaitForLightsOff() {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while ((tx.Lit() || rx.Lit()) && Clock::now() < limit)
            loop->WaitAndPumpOne(std::chrono::milliseconds(100));
    }

    PtyPair pty;
    TSioComPort port;
    BenchLight tx, rx;
    TSioSLController controller{&port};
    TSioMessageLoop* loop = nullptr;
    std::size_t received = 0;
    unsigned sum = 0;

  private:
    std::string link_;
};

// One exchange, the lights back off, then nothing for `seconds` while the events are delivered.
Idle StackIdle(int seconds) {
    StackLine line(9, true);
    line.port.WriteString(std::string(kCommand, 'c'));
    if (line.pty.Read(kCommand, std::chrono::seconds(10)).size() != kCommand)
        throw std::runtime_error("the command did not arrive");
    line.pty.Write(std::string(kReply, 'r'));
    line.WaitForReceived(kReply);
    line.WaitForLightsOff();
    if (line.tx.Lit() || line.rx.Lit()) throw std::runtime_error("the lights stayed on");
    return MeasureIdle([&] {
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        for (auto now = Clock::now(); now < end; now = Clock::now())
            line.loop->WaitAndPumpOne(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - now) +
                std::chrono::milliseconds(1));
    });
}

// --- Both, taking turns -----------------------------------------------------------------------

struct Trips {
    Latency plain, stack, lights;
};

Trips RoundTrips() {
    PtyPair plainPty;
    PlainLine plain(plainPty.SlavePath());
    StackLine stack(9), lit(10, true);
    AnswerTime answered[3];
    std::thread instruments[] = {Answerer(plainPty, answered[0]), Answerer(stack.pty, answered[1]),
                                 Answerer(lit.pty, answered[2])};
    const std::string command(kCommand, 'c');
    char buffer[kReply];
    auto stackTrip = [&](StackLine& line) {
        line.port.WriteString(command);
        line.WaitForReceived(kReply);
        line.received = 0;
    };
    const std::function<void()> trip[] = {
        [&] {
            plain.WriteAll(command.data(), command.size());
            for (std::size_t got = 0; got < kReply;)
                got += plain.ReadSome(buffer + got, kReply - got);
        },
        [&] { stackTrip(stack); },
        [&] { stackTrip(lit); },
    };
    auto us = [](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    };
    TripSamples samples[3];
    for (int turn = 0; turn < kRoundTrips / kTripTurn; ++turn) {
        for (int kind = 0; kind < 3; ++kind) {
            TripSamples& s = samples[kind];
            const double cpuStart = CpuSeconds();
            for (int i = 0; i < kTripTurn; ++i) {
                const auto start = Clock::now();
                trip[kind]();
                const auto end = Clock::now();
                const Clock::time_point middle = answered[kind];
                s.whole.push_back(us(end - start));
                s.out.push_back(us(middle - start));
                s.back.push_back(us(end - middle));
            }
            s.cpuSeconds += CpuSeconds() - cpuStart;
        }
    }
    for (auto& instrument : instruments) instrument.join();
    return {samples[0].Summary(), samples[1].Summary(), samples[2].Summary()};
}

struct Streams {
    Stream plain, stack;
};

Streams Receive() {
    PtyPair plainPty;
    PlainLine plain(plainPty.SlavePath());
    StackLine stack(9);
    std::vector<char> buffer(kPiece);
    unsigned sum = 0;  // what the plain loop looks at, as the stack's handler does
    const std::size_t turn = kStream / kStreamTurns;
    StreamTime plainTime, stackTime;
    for (int i = 0; i < kStreamTurns; ++i) {
        std::thread instrument = Talker(plainPty, turn);
        plainTime.Add([&] {
            for (std::size_t got = 0; got < turn;) {
                const std::size_t n = plain.ReadSome(buffer.data(), std::min(kPiece, turn - got));
                for (std::size_t k = 0; k < n; ++k) sum += static_cast<unsigned char>(buffer[k]);
                got += n;
            }
        });
        instrument.join();
        instrument = Talker(stack.pty, turn);
        stackTime.Add([&] { stack.WaitForReceived(turn * (i + 1)); });
        instrument.join();
    }
    if (sum != stack.sum) throw std::runtime_error("the stack received other bytes");
    return {plainTime.Of(kStream), stackTime.Of(kStream)};
}

Streams Transmit() {
    PtyPair plainPty;
    PlainLine plain(plainPty.SlavePath());
    StackLine stack(9);
    const std::string piece(kPiece, 't');
    const std::size_t turn = kStream / kStreamTurns;
    StreamTime plainTime, stackTime;
    for (int i = 0; i < kStreamTurns; ++i) {
        plainTime.Add([&] {
            std::thread instrument = Listener(plainPty, turn);
            for (std::size_t sent = 0; sent < turn; sent += kPiece)
                plain.WriteAll(piece.data(), piece.size());
            instrument.join();
        });
        stackTime.Add([&] {
            std::thread instrument = Listener(stack.pty, turn);
            for (std::size_t sent = 0; sent < turn;) {
                // A full output ring: let the output thread catch up (the program never fills
                // it).
                if (stack.port.OutputPending() + kPiece > stack.port.OutSize()) {
                    stack.loop->WaitAndPumpOne(std::chrono::milliseconds(1));
                    continue;
                }
                stack.port.WriteString(piece);
                sent += kPiece;
            }
            instrument.join();
        });
    }
    return {plainTime.Of(kStream), stackTime.Of(kStream)};
}

void Row(const char* name, double stack, double plain, const char* unit, int decimals = 1) {
    if (plain > 0)
        std::printf("%-28s %12.*f %12.*f %9.2f  %s\n", name, decimals, stack, decimals, plain,
                    stack / plain, unit);
    else
        std::printf("%-28s %12.*f %12.*f %9s  %s\n", name, decimals, stack, decimals, plain, "-",
                    unit);
}

int IdleSeconds(int argc, char** argv) {
    if (argc == 1) return 5;
    if (argc == 3 && std::strcmp(argv[1], "--idle-seconds") == 0) return std::atoi(argv[2]);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = IdleSeconds(argc, argv);
    if (idleSeconds <= 0) {
        std::fprintf(stderr, "usage: %s [--idle-seconds N]\n", argv[0]);
        return 2;
    }
    char folder[] = "/tmp/rostermate-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    StackLine::PortFolder() = folder;
    setenv("ROSTERMATE_PORTS", folder, 1);

    try {
        const Trips trips = RoundTrips();
        const Latency& plainTrip = trips.plain;
        const Latency& stackTrip = trips.stack;
        const Latency& litTrip = trips.lights;
        const Streams in = Receive();
        const Stream& plainIn = in.plain;
        const Stream& stackIn = in.stack;
        const Streams out = Transmit();
        const Stream& plainOut = out.plain;
        const Stream& stackOut = out.stack;
        const Idle plainIdle = PlainIdle(idleSeconds);
        const Idle stackIdle = StackIdle(idleSeconds);

        std::printf("%-28s %12s %12s %9s\n", "pseudo-terminal workload", "stack", "plain", "ratio");
        Row("round trip median", stackTrip.median, plainTrip.median, "us (14 out, 30 back)");
        Row("round trip p99", stackTrip.p99, plainTrip.p99, "us");
        Row("round trip max", stackTrip.max, plainTrip.max, "us");
        Row("command out median", stackTrip.out, plainTrip.out,
            "us (until the instrument has read it)");
        Row("reply back median", stackTrip.back, plainTrip.back, "us (until all of it is read)");
        Row("round trip CPU", stackTrip.cpu, plainTrip.cpu, "CPU us per round trip");
        Row("round trip median, lights", litTrip.median, plainTrip.median, "us");
        Row("round trip CPU, lights", litTrip.cpu, plainTrip.cpu, "CPU us per round trip");
        Row("receive 8 MiB", stackIn.mibPerSecond, plainIn.mibPerSecond, "MiB/s");
        Row("receive CPU", stackIn.cpuPerMib, plainIn.cpuPerMib, "CPU s/MiB", 4);
        Row("transmit 8 MiB", stackOut.mibPerSecond, plainOut.mibPerSecond, "MiB/s");
        Row("transmit CPU", stackOut.cpuPerMib, plainOut.cpuPerMib, "CPU s/MiB", 4);
        const std::string idle = "idle " + std::to_string(idleSeconds) + " s, lights";
        Row((idle + " wake-ups").c_str(), stackIdle.wakeups, plainIdle.wakeups, "context switches",
            0);
        Row((idle + " CPU").c_str(), stackIdle.cpuMs, plainIdle.cpuMs, "CPU ms", 2);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}

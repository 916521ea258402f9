// The simulator through a real pseudo-terminal, with a plain termios client on the other end:
// line-speed pacing, bursts, the dongle's inquiry over time, the line dropping.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>

#include "SimulatedInstrument.h"
#include "TermiosClient.h"
#include "WaitUntil.h"

using namespace std::chrono;
using Clock = steady_clock;

namespace {

// 10 bits per byte at 9600 baud.
constexpr double kByteMs = 10.0 * 1000.0 / 9600.0;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return duration<double, std::milli>(to - from).count();
}

SimulatedInstrument::Settings Paced() {
    SimulatedInstrument::Settings settings;
    settings.timing = sim::LineTiming{9600, milliseconds(10)};
    return settings;
}

}  // namespace

TEST(LineServer, RepliesAtNineSixHundredBaudAfterTheTurnaround) {
    SimulatedInstrument instrument(Paced());
    TermiosClient client(instrument.DevicePath());

    // 10 command bytes in, 15 reply bytes out: about 26 ms of line time plus the turnaround,
    // inside what a 30-byte reply alone would need.
    const auto sent = Clock::now();
    client.Write("!?####Q1C\r");
    EXPECT_EQ(client.ReadUntil("\r"), ":?####QA12340B\r");
    const double query = MsBetween(sent, Clock::now());
    EXPECT_GE(query, 25 * kByteMs + 10 - 1);
    EXPECT_LT(query, 30 * kByteMs + 10 + 600);  // generous for a loaded machine

    // A 30-byte register reply after a 14-byte command: the line time of both.
    const auto asked = Clock::now();
    client.Write("!A123430010FF\r");
    EXPECT_EQ(client.ReadUntil("\r"), ":A123430010     7202-raM-130A\r");
    EXPECT_GE(MsBetween(asked, Clock::now()), (14 + 30) * kByteMs + 10 - 1);
}

TEST(LineServer, SplitRepliesArriveInBurstsAndTheLineDropsAfterNReplies) {
    SimulatedInstrument::Settings settings;
    settings.faults.splitBursts = 3;
    settings.faults.disconnectAfter = 2;
    SimulatedInstrument instrument(settings);
    TermiosClient client(instrument.DevicePath());

    const auto sent = Clock::now();
    client.Write("!?####Q1C\r");
    EXPECT_EQ(client.ReadUntil("\r"), ":?####QA12340B\r");
    EXPECT_GE(MsBetween(sent, Clock::now()), 2 * 25 - 1);  // two pauses between three bursts

    client.Write("!A1234E50\r");
    EXPECT_EQ(client.ReadUntil("\r").size(), 22u);
    EXPECT_TRUE(WaitUntil([&] { return instrument.LineDropped(); }, seconds(5)));
    client.ReadUntil("never", seconds(5));
    EXPECT_TRUE(client.HungUp());
}

TEST(LineServer, TheLineDropsOnlyOnceTheProgramHasReadTheLastReplyAndIdlesMeanwhile) {
    SimulatedInstrument::Settings settings;
    settings.faults.disconnectAfter = 1;
    SimulatedInstrument instrument(settings);
    TermiosClient client(instrument.DevicePath());
    client.Write("!?####Q1C\r!A1234E50\r");  // the second reply queues behind the drop

    // While the reply waits unread, the line stays up, and the simulator does not spin.
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    EXPECT_FALSE(WaitUntil([&] { return instrument.LineDropped(); }, milliseconds(400)));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 200);

    EXPECT_EQ(client.ReadUntil("\r"), ":?####QA12340B\r");
    EXPECT_TRUE(WaitUntil([&] { return instrument.LineDropped(); }, seconds(5)));
    client.ReadUntil("never", seconds(5));
    EXPECT_TRUE(client.HungUp());
}

TEST(LineServer, APortClosedAndOpenedAgainStillReachesTheInstrument) {
    SimulatedInstrument instrument;
    {
        TermiosClient first(instrument.DevicePath());
        first.Write("!?####Q1C\r");
        EXPECT_EQ(first.ReadUntil("\r"), ":?####QA12340B\r");
    }
    TermiosClient second(instrument.DevicePath());
    second.Write("!A1234Q5C\r");
    EXPECT_EQ(second.ReadUntil("\r"), ":A1234QA12340B\r");
    EXPECT_EQ(instrument.Received(), "!?####Q1C\r!A1234Q5C\r");
}

// A real port that is closed takes in nothing: the program that opens it next must not find
// inquiry results, or a reply, meant for one that has gone.
TEST(LineServer, WhatComesWhileNoProgramHasThePortOpenIsLost) {
    SimulatedInstrument::Settings settings;
    settings.dongle = true;
    // Time enough to read the OK and close, however busy the machine.
    settings.dongleSettings.firstResult = milliseconds(1000);
    settings.dongleSettings.resultInterval = milliseconds(150);
    SimulatedInstrument instrument(settings);
    {
        TermiosClient searching(instrument.DevicePath());
        searching.Write("AT+BTINQ?\r");
        EXPECT_EQ(searching.ReadUntil("OK\r\n"), "OK\r\n");
    }  // closed before any of the three results
    const std::size_t results = 27 + 26 + 27;
    EXPECT_TRUE(WaitUntil([&] { return instrument.LostBytes() == results; }, seconds(5)))
        << instrument.LostBytes();
    {
        TermiosClient leaving(instrument.DevicePath(), false);
        leaving.Write("AT\r");
        EXPECT_EQ(leaving.ReadUntil("OK\r\n"), "OK\r\n");
        leaving.Write("AT\r");
        EXPECT_TRUE(WaitUntil([&] { return leaving.Available() == 4; }, seconds(5)));
    }  // closed with that reply unread
    EXPECT_TRUE(WaitUntil([&] { return instrument.LostBytes() == results + 4; }, seconds(5)));

    TermiosClient next(instrument.DevicePath(), false);
    next.Write("ATD\r");
    EXPECT_EQ(next.ReadUntil("CONNECT\r\n"), "CONNECT\r\n");
}

// A program that dies holds the port in exclusive mode to the end; a real port leaves that mode
// with its last close, so the next program (not privileged) can open it again.
TEST(LineServer, ExclusiveModeEndsWithTheLastProgramsClose) {
    SimulatedInstrument instrument;
    auto exclusive = [&] {
        const int fd = ::open(instrument.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        int flag = -1;
        if (fd >= 0) ::ioctl(fd, TIOCGEXCL, &flag);
        if (fd >= 0) ::close(fd);
        return flag;
    };
    const int dying = ::open(instrument.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(dying, 0);
    ASSERT_EQ(::ioctl(dying, TIOCEXCL), 0);
    ::close(dying);  // no TIOCNXCL first
    EXPECT_TRUE(WaitUntil([&] { return exclusive() == 0; }, seconds(5)));
}

TEST(LineServer, DongleListsDevicesOverTimeThenConnectsToTheInstrument) {
    SimulatedInstrument::Settings settings = Paced();
    settings.dongle = true;
    settings.dongleSettings.firstResult = milliseconds(250);
    // Far enough apart that a reader held up on a busy machine still sees them apart.
    settings.dongleSettings.resultInterval = milliseconds(600);
    SimulatedInstrument instrument(settings);
    TermiosClient client(instrument.DevicePath());

    client.Write("+++");
    EXPECT_EQ(client.ReadUntil("OK\r\n"), "OK\r\n");
    client.Write("AT+BTINQ?\r");
    EXPECT_EQ(client.ReadUntil("OK\r\n"), "OK\r\n");
    std::vector<Clock::time_point> arrivals;
    for (int i = 0; i < 3; ++i) {
        const std::string line = client.ReadUntil("\r\n", seconds(5));
        EXPECT_GT(line.size(), 22u) << line;  // more than 20 characters before the line end
        arrivals.push_back(Clock::now());
    }
    EXPECT_GE(MsBetween(arrivals[0], arrivals[1]), 100);
    EXPECT_GE(MsBetween(arrivals[1], arrivals[2]), 100);

    client.Write("ATD\r");
    EXPECT_EQ(client.ReadUntil("CONNECT\r\n"), "CONNECT\r\n");
    client.Write("!?####Q1C\r");
    EXPECT_EQ(client.ReadUntil("\r"), ":?####QA12340B\r");
}

TEST(LineServer, AProgramThatNeverReadsCannotMakeTheSimulatorHangOrHoard) {
    SimulatedInstrument instrument;
    TermiosClient client(instrument.DevicePath());
    // 12000 serial queries ask for 180 kB of replies, more than the line and the simulator's
    // queue hold together; the excess is dropped, and the instrument keeps answering.
    std::string flood;
    for (int i = 0; i < 1000; ++i) flood += "!?####Q1C\r";
    for (int i = 0; i < 12; ++i) client.Write(flood);
    const std::size_t received = client.Drain(milliseconds(300));
    EXPECT_GT(received, 0u);
    EXPECT_LT(received, 12000u * 15u);
    EXPECT_EQ(received % 15, 0u);  // whole replies only

    client.Write("!A1234E50\r");
    EXPECT_EQ(client.ReadUntil("\r").size(), 22u);
}

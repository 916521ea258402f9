#include <termios.h>

#include <chrono>
#include <filesystem>
#include <latch>
#include <thread>

#include "PosixPortFixture.h"
#include "ScopedEnv.h"
#include "SioErrorCodes.h"
#include "TempDir.h"

using namespace std::chrono_literals;

namespace {

// Bytes that show any loss, repetition or reordering.
std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return text;
}

}  // namespace

TEST_F(PosixPortTest, BytesFromTheInstrumentArriveAsAvailabilityNotifications) {
    ASSERT_EQ(Open(), 0);
    pty.Write(":12345Q\r");
    ASSERT_TRUE(PumpUntil([&] { return received.size() == 8; }));
    EXPECT_EQ(received, ":12345Q\r");
    EXPECT_GE(availNotifications, 1);

    // More than the input ring holds at once still arrives whole and in order.
    // (Written from another thread: the device takes only a few kilobytes at a time, and the
    // rest follows as this thread delivers the notifications.)
    const std::string block = Pattern(20000);
    std::thread instrument([&] { pty.Write(block); });
    const bool whole = PumpUntil([&] { return received.size() == 8 + block.size(); });
    instrument.join();
    ASSERT_TRUE(whole);
    EXPECT_EQ(received.substr(8), block);
}

TEST_F(PosixPortTest, QueuedBlocksReachTheInstrumentInOrderAcrossTheRingsEnd) {
    // A small output ring and an instrument that reads less than is sent, in small pieces:
    // the device fills up and then takes only part of each write, so the ring's tail stops
    // anywhere and new blocks wrap round its end while older bytes still wait.
    ASSERT_EQ(Open(5000), 0);
    const std::string data = Pattern(400000);
    std::string arrived;
    for (std::size_t at = 0; at < data.size(); at += 700) {
        const std::string block = data.substr(at, 700);
        while (port.SendBlock(block.data(), static_cast<std::uint32_t>(block.size())) ==
               sio::ecOutputBufferTooSmall) {
            const std::size_t outstanding = at - arrived.size();
            if (outstanding > 0)
                arrived += pty.Read(std::min<std::size_t>(outstanding, 333), 5s);
            else  // everything sent has come: the ring is about to empty
                ASSERT_TRUE(WaitUntil([&] { return port.OutputFree() >= block.size(); }));
        }
    }
    arrived += pty.Read(data.size() - arrived.size(), 10s);
    ASSERT_EQ(arrived.size(), data.size());
    EXPECT_EQ(arrived, data);
    EXPECT_TRUE(PumpUntil([&] { return port.OutputPending() == 0; }));
}

TEST_F(PosixPortTest, DiscardingOutputTheInstrumentDoesNotReadReturnsPromptly) {
    ASSERT_EQ(Open(4096), 0);
    const std::string block = Pattern(4000);
    // Fill the device's buffer and then the ring; nobody reads the master.
    ASSERT_TRUE(PumpUntil([&] {
        return port.SendBlock(block.data(), static_cast<std::uint32_t>(block.size())) ==
               sio::ecOutputBufferTooSmall;
    }));
    ASSERT_GT(port.OutputPending(), 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.DiscardOutput(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(port.OutputPending(), 0u);

    // The port still sends: what follows the discarded bytes arrives after whatever the
    // device had already taken.
    pty.ReadUntilQuiet(100ms);
    SendAll("after");
    EXPECT_EQ(pty.Read(5, 5s), "after");
}

TEST_F(PosixPortTest, DiscardsFromTwoThreadsAtOnceBothReturnPromptly) {
    // One abort of the output thread answers both; neither may wait for an acknowledgement
    // that the other has already taken.
    ASSERT_EQ(Open(1024), 0);
    for (int round = 0; round < 20; ++round) {
        const std::string block(port.OutputFree(), 'z');
        if (!block.empty())
            port.SendBlock(block.data(), static_cast<std::uint32_t>(block.size()));
        std::latch start(2);
        std::chrono::steady_clock::duration took[2] = {};
        auto discard = [&](int k) {
            start.arrive_and_wait();
            const auto begin = std::chrono::steady_clock::now();
            port.DiscardOutput();
            took[k] = std::chrono::steady_clock::now() - begin;
        };
        std::thread first(discard, 0), second(discard, 1);
        first.join();
        second.join();
        ASSERT_LT(std::max(took[0], took[1]), 2s) << "round " << round;
        EXPECT_EQ(port.OutputPending(), 0u);
        pty.ReadUntilQuiet(1ms);
    }
}

TEST_F(PosixPortTest, ADeviceIsOpenedOnceAndAMissingOneIsReportedAsMissing) {
    ASSERT_EQ(Open(), 0);
    TSioPosixDispatcher second;
    EXPECT_EQ(second.OpenPort(pty.SlavePath(), 9600, 0, 8, 1, 4096, 4096, 3), -5);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.OpenPort("/dev/rostermate-no-such-port", 9600, 0, 8, 1, 4096, 4096, 3), -2);

    TempDir noPorts;
    ScopedEnv ports("ROSTERMATE_PORTS", noPorts.Path());
    ScopedEnv sysfs("ROSTERMATE_SYSFS", noPorts.Path());
    EXPECT_EQ(second.OpenPort("COM7", 9600, 0, 8, 1, 4096, 4096, 3), -2);
    // A published link opens like a built-in port.
    std::filesystem::create_symlink(pty.SlavePath(), noPorts.Path() + "/COM7");
    port.ClosePort();
    EXPECT_EQ(second.OpenPort("COM7", 9600, 0, 8, 1, 4096, 4096, 3), 0);
}

TEST_F(PosixPortTest, TheLineSettingsReachTheDevice) {
    ASSERT_EQ(Open(), 0);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);  // the master reports the slave's settings
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    // A pseudo-terminal always carries 8 bits without parity; rate and stop bits it keeps.
    ASSERT_EQ(port.SetLineSettings(19200, sio::NoParity, 8, 2), 0);
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    const TSioLineSettings settings = port.GetLineSettings();
    EXPECT_EQ(settings.Baud, 19200u);
    EXPECT_EQ(settings.StopBits, 2);
    // A pseudo-terminal has no modem lines: they read as a quiet line, never as a failure.
    EXPECT_EQ(port.DriveDtr(false), 0);
    EXPECT_EQ(port.ReadModemStatus(0xFF) & 0xF0, 0);
    EXPECT_EQ(port.TakeLineError(), 0);
}

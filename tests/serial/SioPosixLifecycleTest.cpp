#include <cerrno>
#include <chrono>
#include <iostream>

#include "PosixPortFixture.h"
#include "ProcessCounts.h"
#include "SioErrorCodes.h"

using namespace std::chrono_literals;

TEST_F(PosixPortTest, OpeningAndClosingLeavesNoDescriptorOrThreadBehind) {
    const int tasks = SettledThreadCount();
    const int fds = OpenDescriptorCount();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_EQ(Open(), 0) << "cycle " << cycle;
        EXPECT_EQ(port.RunningThreads(), 3);
        port.ClosePort();
        ASSERT_FALSE(port.ThreadsStarted()) << "cycle " << cycle;
    }
    EXPECT_EQ(OpenDescriptorCount(), fds);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == tasks; }));

    // The port still works after all that.
    ASSERT_EQ(Open(), 0);
    pty.Write("ok");
    EXPECT_TRUE(PumpUntil([&] { return received == "ok"; }));
}

TEST_F(PosixPortTest, ClosingFromInsideAHandlerEndsAllThreeThreads) {
    const int tasks = SettledThreadCount();
    ASSERT_EQ(Open(), 0);
    bool closedInHandler = false;
    onMessage = [&](const TSioMessage&) {
        if (closedInHandler) return;
        closedInHandler = true;
        port.ClosePort();
        EXPECT_FALSE(port.IsOpen());  // the device goes at once, the threads after the handler
    };
    pty.Write("x");
    ASSERT_TRUE(PumpUntil([&] { return closedInHandler && port.RunningThreads() == 0; }));
    EXPECT_FALSE(port.ThreadsStarted());
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == tasks; }));

    // The device is free again and the dispatcher can be opened anew.
    onMessage = nullptr;
    received.clear();
    ASSERT_EQ(Open(), 0);
    pty.Write("again");
    EXPECT_TRUE(PumpUntil([&] { return received == "again"; }));
}

TEST_F(PosixPortTest, AVanishedDeviceRefusesSendingKeepsItsInputCostsNoProcessorAndCloses) {
    const int tasks = SettledThreadCount();
    ASSERT_EQ(Open(), 0);
    readInHandler = false;
    pty.Write("hi");
    // Until their notification is over the bytes are its handler's, and a read from here finds
    // none; the handler leaves them.
    ASSERT_TRUE(PumpUntil([&] { return availNotifications == 1 && !port.DispatchInProgress(); }));
    ASSERT_EQ(port.InputCount(), 2u);
    SendAll("queued");
    EXPECT_EQ(port.DeviceLostError(), 0);
    pty.CloseMaster();
    // The device-event thread ends as after a failed wait; the other two keep the port open.
    ASSERT_TRUE(PumpUntil([&] { return port.RunningThreads() == 2; }));
    EXPECT_EQ(port.DeviceLostError(), EIO);  // what a hung-up terminal reports
    EXPECT_EQ(port.SendBlock("into the void", 13), sio::ecDeviceLost);
    EXPECT_EQ(port.ReadChar(), 'h');
    EXPECT_EQ(port.ReadChar(), 'i');
    const double share = CpuShareOver(1000ms);
    std::cout << "[ measured ] CPU share with the master closed: " << share * 100 << " %\n";
    EXPECT_LT(share, 0.05);
    EXPECT_TRUE(PumpUntil([&] { return port.OutputPending() == 0; }));  // dropped, not stuck

    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.RunningThreads(), 0);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == tasks; }));
}

TEST_F(PosixPortTest, AFullInputRingWaitsQuietlyAndResumesWhenBytesAreTaken) {
    ASSERT_EQ(Open(), 0);
    readInHandler = false;
    std::string sent(12000, 'a');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>('a' + i % 26);
    pty.Write(sent);
    ASSERT_TRUE(PumpUntil([&] { return port.InputCount() == 8192; }));
    const double share = CpuShareOver(1000ms);
    std::cout << "[ measured ] CPU share with the input ring full: " << share * 100 << " %\n";
    EXPECT_LT(share, 0.05);

    // Taking the bytes makes room; the rest waiting in the driver then follows. While a
    // notification of the bytes that followed waits for this thread, reading here finds
    // nothing: those bytes are its handler's until it has been delivered (the handler leaves
    // them).
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (received.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
        const std::int32_t c = port.ReadChar();
        if (c >= 0)
            received.push_back(static_cast<char>(c));
        else
            loop.WaitAndPumpOne(1ms);
    }
    EXPECT_EQ(received, sent);
}

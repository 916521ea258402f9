#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "EInOutError.h"
#include "ProcessCounts.h"
#include "SioBaseDispatcher.h"
#include "WaitUntil.h"
#include "WinPortFixture.h"

using namespace std::chrono_literals;

namespace {

// Every open starts three worker threads and opens the device and its events; every close must
// give all of them back, or a program that reconnects all day runs out.
TEST_F(WinComPortTest, OpenCloseCyclesLeaveNoThreadOrHandleBehind) {
    port.SetOpen(true);  // the first open loads what stays loaded
    port.SetOpen(false);
    const int threads = SettledThreadCount();
    const int handles = OpenDescriptorCount();
    for (int cycle = 0; cycle < 200; ++cycle) {
        port.SetOpen(true);
        ASSERT_TRUE(port.Open()) << "cycle " << cycle;
        if (cycle % 50 == 0) {  // now and then, the line works
            received.clear();
            port.WriteString("cycle");
            ASSERT_TRUE(PumpUntil([&] { return received == "cycle"; })) << "cycle " << cycle;
        }
        port.SetOpen(false);
        ASSERT_FALSE(port.Open());
    }
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= threads; }, 10s))
        << ThreadCount() << " threads, " << threads << " before";
    EXPECT_TRUE(WaitUntil([&] { return OpenDescriptorCount() <= handles; }, 10s))
        << OpenDescriptorCount() << " handles, " << handles << " before";
}

// The far end hangs up (the terminal's master closes, as when a device is unplugged). The port
// reports it, writing fails with the system's reason instead of pretending to succeed, and the
// layer waits quietly instead of retrying calls that fail at once.
TEST_F(WinComPortTest, AHangUpIsReportedWithoutSpinning) {
    port.SetOpen(true);
    port.WriteString("alive");
    ASSERT_TRUE(PumpUntil([&] { return received == "alive"; }));
    peer.HangUp();
    ASSERT_TRUE(PumpUntil([&] { return port.Dispatcher()->DeviceLostError() != 0; }));
    EXPECT_THROW(port.WriteString("gone"), EInOutError);

    const double share = CpuShareOver(3s);
    std::printf("CPU over 3 s after the hang-up: %.2f %% of a core\n", share * 100);
    EXPECT_LT(share, 0.05);
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
}

// What wine's own event waits cost on an idle line: nothing but overlapped WaitCommEvent calls
// on the port for `window`, each waited for (wine ends an idle one after a few milliseconds).
double BareEventWaitCpuShare(std::uint16_t comNumber, std::chrono::milliseconds window) {
    const std::string name = "\\\\.\\COM" + std::to_string(comNumber);
    const HANDLE device = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return -1;
    SetCommMask(device, EV_RXCHAR | EV_BREAK | EV_ERR);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    while (std::chrono::steady_clock::now() - start < window) {
        DWORD mask = 0;
        DWORD ignored = 0;
        ResetEvent(overlapped.hEvent);
        if (!WaitCommEvent(device, &mask, &overlapped) && GetLastError() == ERROR_IO_PENDING)
            GetOverlappedResult(device, &overlapped, &ignored, TRUE);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = (ProcessCpuSeconds() - cpuStart) / wall;
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
    return share;
}

// An open port with nothing to do costs what wine's own event waits cost (each one, under wine,
// a thread that polls the terminal); a layer that spun on top of them would cost more.
TEST_F(WinComPortTest, AnIdlePortCostsNoMoreThanWinesOwnEventWaits) {
    const double bare = BareEventWaitCpuShare(peer.ComNumber(), 5s);
    ASSERT_GE(bare, 0);
    port.SetOpen(true);
    const double share = CpuShareOver(5s);
    std::printf("CPU over 5 s: idle open port %.1f %% of a core, bare event waits %.1f %%\n",
                share * 100, bare * 100);
    EXPECT_LT(share, bare * 1.5 + 0.05);
}

}  // namespace

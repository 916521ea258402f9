#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "PeerLink.h"
#include "SioBaseDispatcher.h"
#include "SioExcept.h"
#include "WinPortFixture.h"

using namespace std::chrono_literals;

namespace {

// Requests of every size from 1 to 241 bytes and every byte value, each answered before the
// next goes out, as the instrument conversation runs; then a stream several times the output
// ring that wraps it and keeps writes pending. Not a byte may be lost, doubled or reordered,
// whatever wine's serial emulation does between them (an event wait that ends every 2 ms).
TEST_F(WinComPortTest, RequestsAndRepliesRoundTripWithoutALostByte) {
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());
    std::string sent;
    for (std::uint64_t round = 0; round < 120; ++round) {
        const std::string request = PatternBytes(sent.size(), 1 + (round * 37) % 241);
        port.WriteString(request);
        sent += request;
        ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }))
            << "round " << round << ": " << received.size() << " of " << sent.size();
    }
    SendAll(PatternBytes(sent.size(), 64 * 1024));
    sent += PatternBytes(sent.size(), 64 * 1024);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }, 60s))
        << received.size() << " of " << sent.size();
    EXPECT_TRUE(received == sent);
    const PeerLink::Stats farEnd = peer.Received();
    EXPECT_EQ(farEnd.received, sent.size());
    EXPECT_EQ(farEnd.hash, PeerHash(sent));

    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
}

TEST_F(WinComPortTest, EightMebibytesArriveIntact) {
    constexpr std::size_t total = 8u << 20;
    received.reserve(total);
    peer.Sink();
    port.SetOpen(true);
    const auto start = std::chrono::steady_clock::now();
    peer.Send(total);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= total; }, 240s))
        << received.size() << " of " << total;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("8 MiB received in %.2f s (%.1f MiB/s)\n", seconds, 8 / seconds);
    ASSERT_EQ(received.size(), total);
    const std::string expected = PatternBytes(0, total);
    const auto mismatch = std::mismatch(received.begin(), received.end(), expected.begin());
    EXPECT_TRUE(mismatch.first == received.end())
        << "first wrong byte at " << (mismatch.first - received.begin());
}

// Opening by number: a number nothing stands for "doesn't exist"; a port this program holds is
// "already open" to a second component, and free for it again once the first has closed it.
TEST_F(WinComPortTest, AMissingPortIsABadIdAndAHeldOneIsAlreadyOpen) {
    TSioComPort missing;
    missing.SetComNumber(251);  // the peer publishes COM10 to COM249
    EXPECT_THROW(missing.SetOpen(true), EBadId);
    EXPECT_FALSE(missing.Open());

    port.SetOpen(true);
    TSioComPort second;
    second.SetComNumber(peer.ComNumber());
    EXPECT_THROW(second.SetOpen(true), EAlreadyOpen);
    port.SetOpen(false);
    second.SetOpen(true);
    EXPECT_TRUE(second.Open());
    second.OnTriggerAvail = port.OnTriggerAvail;
    second.WriteString("ping");
    EXPECT_TRUE(PumpUntil([&] { return received == "ping"; }));
}

// The far end stops taking bytes, so the terminal fills and a write stays pending in the
// output thread. Discarding the output must not wait for that write: it returns, the ring is
// empty, and the line carries what is written afterwards once the far end reads again.
TEST_F(WinComPortTest, DiscardingOutputWhileAWriteIsPendingReturnsWithTheRingEmpty) {
    peer.Hold();
    port.SetOpen(true);
    const std::string block(1024, 'x');
    // Fill until the ring no longer drains: the device has taken all it can.
    ASSERT_TRUE(PumpUntil(
        [&] {
            while (port.OutputPending() + block.size() <= 4096) port.WriteString(block);
            const std::int32_t before = port.OutputPending();
            Sleep(300);
            return port.OutputPending() == before;
        },
        60s));
    ASSERT_GT(port.OutputPending(), 0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Dispatcher()->DiscardOutput(), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 5s);
    std::printf("discarding output with a write pending took %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_EQ(port.OutputPending(), 0);

    // The far end drains what reached the device before the discard; then the line works.
    peer.Sink();
    const std::string marker = "after the discard\r";
    port.WriteString(marker);
    std::uint64_t before = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const std::uint64_t now = peer.Received().received;
            const bool settled = now == before && now > 0;
            before = now;
            Sleep(100);
            return settled;
        },
        30s));
    peer.Echo();
    port.WriteString(marker);
    EXPECT_TRUE(PumpUntil([&] { return received == marker; }));
}

}  // namespace

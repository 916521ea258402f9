#include "WinPortFixture.h"

#include <windows.h>

#include "PeerProtocol.h"
#include "SioNotifier.h"
#include "WaitUntil.h"

WinComPortTest::WinComPortTest() {
    port.SetComNumber(peer.ComNumber());
    port.SetBaud(115200);
    port.OnTriggerAvail = [this](TSioPort p, std::uint16_t count) {
        for (std::uint16_t i = 0; i < count; ++i) received.push_back(p->ReadChar());
    };
}

bool WinComPortTest::PumpUntil(const std::function<bool()>& condition,
                               std::chrono::milliseconds limit) {
    return WaitUntil(condition, limit, [] { TSioNotifier::PumpCallingThread(); });
}

void WinComPortTest::SendAll(const std::string& bytes) {
    const std::size_t size = 4096;  // the port's output ring
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1024);
        ASSERT_TRUE(PumpUntil([&] { return port.OutputPending() + piece <= size; }));
        port.WriteString(bytes.substr(done, piece));
        done += piece;
    }
}

double ProcessCpuSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double WinComPortTest::CpuShareOver(std::chrono::milliseconds window) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const double cpuStart = ProcessCpuSeconds();
    WaitUntil([&] { return Clock::now() - start >= window; }, window * 2, [] {
        TSioNotifier::PumpCallingThread();
        Sleep(20);
    });
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return (ProcessCpuSeconds() - cpuStart) / wall;
}

std::string PatternBytes(std::uint64_t first, std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(peer::PatternByte(first + i));
    return bytes;
}

std::uint64_t PeerHash(const std::string& bytes) {
    std::uint64_t hash = peer::kFnvOffset;
    for (char c : bytes) hash = peer::Fnv1a(hash, static_cast<std::uint8_t>(c));
    return hash;
}

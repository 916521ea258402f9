#include "PosixPortFixture.h"

#include <sys/resource.h>

PosixPortTest::PosixPortTest()
    : loop([this](const TSioMessage& message) {
          if (message.Msg == sio::TriggerMsgAvail) {
              ++availNotifications;
              for (std::uintptr_t i = 0; readInHandler && i < message.WParam; ++i)
                  received.push_back(static_cast<char>(port.ReadChar()));
          }
          if (onMessage) onMessage(message);
          return std::intptr_t{0};
      }) {}

PosixPortTest::~PosixPortTest() {
    onMessage = nullptr;
    port.ClosePort();
}

std::int32_t PosixPortTest::Open(std::uint16_t outSize) {
    const std::int32_t result = port.OpenPort(pty.SlavePath(), 9600, sio::NoParity, 8, 1, 4096,
                                              outSize, sio::LineOptDtr | sio::LineOptRts);
    if (result == 0) {
        port.AttachWindow(&loop);
        port.RecomputeHandlerNeed(1);
        port.SetAvailThreshold(1);
    }
    return result;
}

bool PosixPortTest::PumpUntil(const std::function<bool()>& condition,
                              std::chrono::milliseconds limit) {
    return WaitUntil(condition, limit,
                     [this] { loop.WaitAndPumpOne(std::chrono::milliseconds(1)); });
}

void PosixPortTest::SendAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto piece = static_cast<std::uint32_t>(
            std::min<std::size_t>(bytes.size() - done, port.OutputFree()));
        if (piece > 0 && port.SendBlock(bytes.data() + done, piece) == 0) {
            done += piece;
            continue;
        }
        ASSERT_TRUE(PumpUntil([&] { return port.OutputFree() > 0; }));
    }
}

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

double PosixPortTest::CpuShareOver(std::chrono::milliseconds window) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    // The window itself is what is measured; the loop keeps delivering notifications meanwhile.
    WaitUntil([&] { return Clock::now() - start >= window; }, window * 2,
              [this] { loop.WaitAndPumpOne(std::chrono::milliseconds(50)); });
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return (CpuSeconds() - cpuStart) / wall;
}

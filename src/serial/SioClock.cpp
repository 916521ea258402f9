#include "SioClock.h"

#include <chrono>
#include <thread>

#include "SyncEvent.h"

bool TSioClock::WaitFor(SyncEvent& event, std::uint32_t ms) {
    return event.WaitFor(std::chrono::milliseconds(ms));
}

namespace {

class TSteadyClock final : public TSioClock {
  public:
    std::uint32_t NowMs() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    void SleepMs(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

}  // namespace

TSioClock& SystemClock() {
    static TSteadyClock clock;
    return clock;
}

namespace sio {
std::uint32_t MsClock() {
    return SystemClock().NowMs();
}
}  // namespace sio

#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "SioBaseDispatcher.h"

// A clock the test moves by hand; sleeping moves it too, and is recorded. A wait for an event
// lasts until the event comes or the test has moved the clock past the wait's end. A wait is
// measured from the time its thread last read, as a dispatcher thread works out how long to
// sleep from the time it read: a move that comes in between would otherwise push the end on.
class TFakeClock final : public TSioClock {
  public:
    std::uint32_t NowMs() override { return lastRead_ = now_; }
    void SleepMs(std::uint32_t ms) override {
        slept_ += ms;
        now_ += ms;
    }
    bool WaitFor(SyncEvent& event, std::uint32_t ms) override {
        const std::uint32_t end = lastRead_ + ms;
        ++waits_;
        while (static_cast<std::int32_t>(end - now_) > 0)
            if (event.WaitFor(std::chrono::milliseconds(1))) return true;
        return event.WaitFor(std::chrono::milliseconds(0));
    }
    void Advance(std::uint32_t ms) { now_ += ms; }
    std::uint32_t Slept() const { return slept_; }
    // Waits begun so far: a test that moves the clock by a span measured from the start of a
    // wait first lets that wait begin.
    std::uint32_t Waits() const { return waits_; }

  private:
    std::atomic<std::uint32_t> now_{1'000'000};
    std::atomic<std::uint32_t> slept_{0};
    std::atomic<std::uint32_t> waits_{0};
    static inline thread_local std::uint32_t lastRead_ = 0;
};

// A device layer scripted by the test, driving the real dispatcher. Without threads (the
// default) the test plays the dispatcher thread by calling ServicePass itself; with threads the
// common worker machinery runs, and the fake output thread collects what was sent.
class TFakeSerialDevice final : public TSioBaseDispatcher {
  public:
    explicit TFakeSerialDevice(TSioClock* clock = nullptr, bool withThreads = false);
    ~TFakeSerialDevice() override;

    std::int32_t OpenDefault(std::uint16_t inSize = 4096, std::uint16_t outSize = 4096);

    // The far end: bytes arriving in the driver, device events, line errors, modem lines.
    void Arrive(const std::string& bytes);
    void RaiseEvent(std::uint32_t mask);
    void SetLineErrors(std::uint32_t flags) { lineErrors_ = flags; }
    void SetModemLines(std::uint8_t lines) { modemLines_ = lines; }
    // Makes the device-event wait fail, as a device that can no longer be waited on does.
    void FailDeviceWait() { WakeDeviceWait(); }
    std::size_t DriverInputCount();
    std::string Sent();

    // Scripted behaviour and what the dispatcher did.
    std::atomic<std::intptr_t> openResult{3};
    std::atomic<std::int32_t> escapeResult{0};
    std::atomic<bool> throwInOutputThread{false};
    std::atomic<bool> holdOutput{false};  // the output thread sends nothing while set
    std::atomic<int> setStateCalls{0};
    std::vector<std::int32_t> Escapes();
    TSioDcb DeviceBlock();

    using TSioBaseDispatcher::OutputRingCount;

  protected:
    std::int32_t DeviceEscape(std::int32_t function) override;
    std::int32_t DevicePurge(std::int32_t queue) override;
    std::uint32_t DeviceStatus(TSioDeviceStatus& status) override;
    std::int32_t DeviceEvents(std::int32_t) override { return 0; }
    std::int32_t DeviceGetState(TSioDcb& dcb) override;
    std::int32_t DeviceRead(std::uint8_t* buffer, std::uint32_t size) override;
    std::int32_t DeviceSetState(const TSioDcb& dcb) override;
    std::int32_t DeviceWrite(const std::uint8_t* data, std::uint32_t size) override;
    bool DeviceWaitEvent(std::uint32_t& eventMask) override;
    std::int32_t DeviceSetQueues(std::uint32_t, std::uint32_t) override { return 0; }
    std::intptr_t DeviceOpen(const std::string&, std::uint32_t, std::uint32_t) override {
        return openResult;
    }
    std::int32_t DeviceClose() override { return 0; }
    std::int32_t DeviceYield() override { return 0; }
    std::uint8_t DeviceModemLines() override { return modemLines_; }
    void StartThreads() override;
    void RunComThread() override;
    void RunOutThread() override;
    void WakeDeviceWait() override;

  private:
    bool withThreads_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::string driverIn_;  // bytes not yet read start at driverRead_
    std::size_t driverRead_ = 0;
    std::deque<std::uint32_t> events_;
    bool wake_ = false;
    std::string sent_;
    std::vector<std::int32_t> escapes_;
    TSioDcb deviceDcb_;
    std::atomic<std::uint32_t> lineErrors_{0};
    std::atomic<std::uint8_t> modemLines_{0};
};

#include "FakeSerialDevice.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "SioErrorCodes.h"

using namespace std::chrono_literals;

TFakeSerialDevice::TFakeSerialDevice(TSioClock* clock, bool withThreads)
    : TSioBaseDispatcher(nullptr, clock), withThreads_(withThreads) {
    deviceDcb_.BaudRate = 115200;
}

TFakeSerialDevice::~TFakeSerialDevice() {
    Shutdown();
}

std::int32_t TFakeSerialDevice::OpenDefault(std::uint16_t inSize, std::uint16_t outSize) {
    return OpenPort("COM1", 9600, sio::NoParity, 8, 1, inSize, outSize,
                    sio::LineOptDtr | sio::LineOptRts);
}

void TFakeSerialDevice::Arrive(const std::string& bytes) {
    {
        std::lock_guard guard(lock_);
        if (driverRead_ == driverIn_.size()) {  // all read: start the buffer afresh
            driverIn_.clear();
            driverRead_ = 0;
        }
        driverIn_ += bytes;
        events_.push_back(sio::EvRxChar);
    }
    changed_.notify_all();
}

void TFakeSerialDevice::RaiseEvent(std::uint32_t mask) {
    {
        std::lock_guard guard(lock_);
        events_.push_back(mask);
    }
    if (!withThreads_) SetLastEventMask(mask);
    changed_.notify_all();
}

std::size_t TFakeSerialDevice::DriverInputCount() {
    std::lock_guard guard(lock_);
    return driverIn_.size() - driverRead_;
}

std::string TFakeSerialDevice::Sent() {
    std::lock_guard guard(lock_);
    return sent_;
}

std::vector<std::int32_t> TFakeSerialDevice::Escapes() {
    std::lock_guard guard(lock_);
    return escapes_;
}

TSioDcb TFakeSerialDevice::DeviceBlock() {
    std::lock_guard guard(lock_);
    return deviceDcb_;
}

std::int32_t TFakeSerialDevice::DeviceEscape(std::int32_t function) {
    std::lock_guard guard(lock_);
    escapes_.push_back(function);
    return escapeResult;
}

std::int32_t TFakeSerialDevice::DevicePurge(std::int32_t queue) {
    if (queue == sio::PurgeInput) {
        std::lock_guard guard(lock_);
        driverIn_.clear();
        driverRead_ = 0;
    } else {
        ClearOutputRing();
    }
    return 0;
}

std::uint32_t TFakeSerialDevice::DeviceStatus(TSioDeviceStatus& status) {
    {
        std::lock_guard guard(lock_);
        status.InQueue = static_cast<std::uint32_t>(driverIn_.size() - driverRead_);
    }
    status.OutQueue = OutputRingCount();
    return lineErrors_.exchange(0);
}

std::int32_t TFakeSerialDevice::DeviceGetState(TSioDcb& dcb) {
    std::lock_guard guard(lock_);
    dcb = deviceDcb_;
    return 0;
}

std::int32_t TFakeSerialDevice::DeviceRead(std::uint8_t* buffer, std::uint32_t size) {
    std::lock_guard guard(lock_);
    const auto n = std::min<std::size_t>(size, driverIn_.size() - driverRead_);
    std::memcpy(buffer, driverIn_.data() + driverRead_, n);
    driverRead_ += n;
    return static_cast<std::int32_t>(n);
}

std::int32_t TFakeSerialDevice::DeviceSetState(const TSioDcb& dcb) {
    std::lock_guard guard(lock_);
    deviceDcb_ = dcb;
    ++setStateCalls;
    return 0;
}

std::int32_t TFakeSerialDevice::DeviceWrite(const std::uint8_t* data, std::uint32_t size) {
    const auto queued = static_cast<std::int32_t>(QueueOutput(data, size));
    OutputReady().Set();
    return queued;
}

bool TFakeSerialDevice::DeviceWaitEvent(std::uint32_t& eventMask) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return !events_.empty() || wake_; });
    if (wake_ && events_.empty()) {
        wake_ = false;
        return false;
    }
    eventMask = events_.front();
    events_.pop_front();
    return true;
}

void TFakeSerialDevice::WakeDeviceWait() {
    {
        std::lock_guard guard(lock_);
        wake_ = true;
    }
    changed_.notify_all();
}

void TFakeSerialDevice::StartThreads() {
    if (withThreads_) TSioBaseDispatcher::StartThreads();
}

void TFakeSerialDevice::RunComThread() {
    Acknowledge().Set();
    while (!Killed()) {
        std::uint32_t mask = 0;
        if (!DeviceWaitEvent(mask) || Killed()) break;
        SetLastEventMask(mask);
        CommEventReady().Set();
        while (!CommEventDone().WaitFor(100ms) && !Killed()) {
        }
    }
    Acknowledge().Set();
}

void TFakeSerialDevice::RunOutThread() {
    Acknowledge().Set();
    if (throwInOutputThread) throw std::runtime_error("output thread failed");
    while (!Killed() && !ClosePending()) {
        if (OutputAbort().WaitFor(0ms)) {
            Acknowledge().Set();
            continue;
        }
        if (!OutputReady().WaitFor(20ms) && OutputRingEmpty()) continue;
        if (holdOutput) continue;
        for (auto stretch = TakeOutputStretch(); !stretch.empty(); stretch = TakeOutputStretch()) {
            {
                std::lock_guard guard(lock_);
                sent_.append(stretch.begin(), stretch.end());
            }
            AdvanceOutput(static_cast<std::uint32_t>(stretch.size()));
        }
    }
}

#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>

#include "SioBaseDispatcher.h"
#include "SioWin32Io.h"
#include "SioWin32PortClaim.h"

// The dispatcher on a Windows serial device. It opens the port for overlapped input and output
// without sharing, hands the line settings record to the driver as its device control block,
// and runs the device-event thread (an overlapped event wait) and the output thread (overlapped
// writes from the output ring).
//
// Every overlapped operation ends before the thread that started it lets go of the device: a
// wait is cut short by a wake-up event and a cancel, never by closing the handle under it, so no
// record or buffer is ever written after its owner moved on. `deviceUse_` keeps the handle and
// its events alive while a thread uses them: every use holds it shared, closing holds it
// exclusively after waking the threads. Nothing that holds it shared waits for another lock.
//
// No thread spins on what a driver answers. A wait ended with no event (a driver's own time-out,
// a cancel) is simply started again; a wait that fails at once because of the modem-line events
// is started again without them (the dispatcher thread looks at the lines itself); a full input
// ring takes the receive event out of the wait until the dispatcher reads again; and a device
// that has gone ends the device-event thread and is reported to the base dispatcher, after which
// the dispatcher thread's own 50 ms look is all that runs.
class TSioWin32Dispatcher final : public TSioBaseDispatcher {
  public:
    explicit TSioWin32Dispatcher(TSioCustomComPort* owner = nullptr, TSioClock* clock = nullptr);
    ~TSioWin32Dispatcher() override;

    // The device path a device name stands for: "COM<n>" becomes "\\.\COM<n>" (which also
    // reaches ports above 9); any other name is used as it stands.
    static std::string DevicePathFor(const std::string& name);

  protected:
    std::int32_t DeviceEscape(std::int32_t function) override;
    std::int32_t DevicePurge(std::int32_t queue) override;
    std::uint32_t DeviceStatus(TSioDeviceStatus& status) override;
    std::uint32_t DeviceLineErrors() override;
    std::int32_t DeviceEvents(std::int32_t mask) override;
    std::int32_t DeviceGetState(TSioDcb& dcb) override;
    std::int32_t DeviceRead(std::uint8_t* buffer, std::uint32_t size) override;
    std::int32_t DeviceSetState(const TSioDcb& dcb) override;
    std::int32_t DeviceWrite(const std::uint8_t* data, std::uint32_t size) override;
    bool DeviceWaitEvent(std::uint32_t& eventMask) override;
    std::int32_t DeviceSetQueues(std::uint32_t inSize, std::uint32_t outSize) override;
    std::intptr_t DeviceOpen(const std::string& name, std::uint32_t inSize,
                             std::uint32_t outSize) override;
    std::int32_t DeviceClose() override;
    std::int32_t DeviceYield() override;
    std::uint8_t DeviceModemLines() override;

    void StopThreads() override;
    void RunComThread() override;
    void RunOutThread() override;
    void WakeDeviceWait() override;
    void SetWorkerPriority(TSioWorker worker, int level) override;

  private:
    enum class WaitEnd { Event, Again, Stop };

    bool CreateIoObjects();
    void CloseIoObjects();
    // The driver's error flags and input count (ClearCommError), with the flags that a look
    // made for another reason took from the driver meanwhile. False when the driver gave none.
    bool ReadDriverStatus(std::uint32_t& flags, std::uint32_t& inQueue);
    void ReportFailure(std::uint32_t errorNumber);
    void WakeWorkers();

    // Device-event thread.
    WaitEnd WaitOnce(std::uint32_t& eventMask);
    WaitEnd AfterFailedWait(const TSioIoOutcome& outcome);
    void ApplyEventMask();
    void PauseAfterEmptyWait();
    // After each service pass: whether the driver holds bytes the dispatcher could not take (the
    // input ring is full), so that the wait leaves the receive event out.
    void NoteInputStall(std::uint64_t readsBefore);

    // Output thread.
    void DrainOutput();
    // Writes one stretch; → the bytes to count as done (sent, or dropped by a failure).
    std::uint32_t SendStretch(std::span<const std::uint8_t> stretch);

    std::shared_mutex deviceUse_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
    TSioWin32PortClaim claim_;
    TSioWin32Overlapped readIo_;
    TSioWin32Overlapped eventIo_;
    TSioWin32Overlapped writeIo_;
    TSioWin32Event comWake_;  // ends the device-event thread's wait
    TSioWin32Event outWake_;  // ends the output thread's wait for a write

    // Line-error flags that a look at the driver made outside DeviceStatus took from it.
    std::atomic<std::uint32_t> heldLineErrors_{0};

    // Device-event thread: the events it asks for and the mask the driver has now.
    std::uint32_t wantedEvents_ = 0;
    std::uint32_t appliedEvents_ = 0;
    std::atomic<std::uint64_t> reads_{0};
    std::atomic<bool> inputStalled_{false};

    // Output: the output thread holds `sendLock_` for each stretch it sends; a purge of the
    // output takes it (after waking the thread) before it empties the ring. `outputGeneration_`
    // (under the output lock) changes with every purge, so that a stretch taken before it is
    // never counted against the emptied ring.
    std::timed_mutex sendLock_;
    std::atomic<int> purging_{0};
    std::uint64_t outputGeneration_ = 0;
};

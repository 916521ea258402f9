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
// and runs the device-event thread and the output thread (overlapped writes from the output
// ring).
//
// The device-event thread learns of input from a one-byte read left pending on the driver
// (reads return what the driver holds and, when it holds nothing, wait for the first byte), and
// of modem-line, break and error events from an event wait beside it. The read is lossless and
// costs nothing while the line is idle, on every driver: an event wait for received characters
// is, on some drivers, a poll that costs a share of a processor even then. The byte it takes is
// held for the dispatcher, which gets it first on its next read; while a byte is held the
// thread reads no further, so a full input ring simply stops it until the dispatcher has room.
//
// Every overlapped operation ends before the thread that started it lets go of the device: a
// wait is cut short by a wake-up event and a cancel, never by closing the handle under it, so no
// record or buffer is written after its owner moved on. `deviceUse_` keeps the handle and its
// events alive while a thread uses them: every use holds it shared, closing holds it
// exclusively after waking the threads. Nothing that holds it shared waits for another lock
// except `rxLock_`, which is always taken after it.
//
// No thread spins on what a driver answers. An event wait that fails at once because of the
// modem-line events is made again without them (the dispatcher thread reads the lines on each
// pass); one that the driver keeps ending by itself with nothing to show is given up, since the
// dispatcher thread looks at the line status itself whenever a trigger needs it; and a device
// that has gone ends the device-event thread and is reported to the base dispatcher, after
// which the dispatcher thread's own 50 ms look is all that runs.
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
    // What one turn of the device-event thread found.
    struct TComTurn {
        std::uint32_t Events = 0;
        bool Stop = false;
        bool EndedAtOnce = false;  // a read ended without a byte and without waiting
    };

    bool CreateIoObjects();
    void CloseIoObjects();
    // The driver's error flags and input count (ClearCommError), with the flags that a look
    // made for another reason took from the driver meanwhile; the caller holds `deviceUse_`.
    bool DriverStatus(std::uint32_t& flags, std::uint32_t& inQueue);
    void ReportFailure(std::uint32_t errorNumber);
    void WakeWorkers();

    // Device-event thread, all with `deviceUse_` held.
    TComTurn ComTurn();
    void StartByteRead(TComTurn& turn);
    void EndByteRead(const TSioIoOutcome& outcome, TComTurn& turn);
    void StartEventWait(TComTurn& turn);
    void EndEventWait(const TSioIoOutcome& outcome, TComTurn& turn);
    // An event wait that ended with nothing: the driver's own time-out or a refusal.
    void NoteEmptyEventWait();
    // Without event waits: the line status as events, and whether the device is still there.
    void LookAtLine(TComTurn& turn);
    void CancelComOperations();

    // Output thread.
    void DrainOutput();
    // Writes one stretch; → the bytes to count as done (sent, or dropped by a failure).
    std::uint32_t SendStretch(std::span<const std::uint8_t> stretch);

    std::shared_mutex deviceUse_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
    TSioWin32PortClaim claim_;
    TSioWin32Overlapped readIo_;
    TSioWin32Overlapped byteIo_;
    TSioWin32Overlapped eventIo_;
    TSioWin32Overlapped writeIo_;
    TSioWin32Event comWake_;  // ends the device-event thread's wait
    TSioWin32Event outWake_;  // ends the output thread's wait for a write

    // Line-error flags that a look at the driver made outside DeviceStatus took from it.
    std::atomic<std::uint32_t> heldLineErrors_{0};

    // The byte the device-event thread took from the driver, until the dispatcher reads it, and
    // whether its read is still pending (the driver then gives it the next byte, so nothing else
    // may read before it ends). Under `rxLock_`.
    std::mutex rxLock_;
    std::uint8_t byteBuffer_ = 0;
    std::atomic<bool> byteHeld_{false};
    bool byteReadPending_ = false;
    // Purges of the input so far, and their count when the pending read began: a purge cancels
    // that read, and a byte it took all the same is purged with the rest.
    std::uint64_t inputPurges_ = 0;
    std::uint64_t purgesAtByteRead_ = 0;

    // Device-event thread: the event wait, the events it asks for and the mask the driver has.
    DWORD eventBits_ = 0;
    bool eventWaitPending_ = false;
    bool eventWaitsOn_ = true;
    int emptyEventWaits_ = 0;
    std::uint32_t wantedEvents_ = 0;
    std::uint32_t appliedEvents_ = 0;

    // Output: the output thread holds `sendLock_` for each stretch it sends; a purge of the
    // output takes it (after waking the thread) before it empties the ring. `outputGeneration_`
    // (under the output lock) changes with every purge, so that a stretch taken before it is
    // never counted against the emptied ring.
    std::timed_mutex sendLock_;
    std::atomic<int> purging_{0};
    std::uint64_t outputGeneration_ = 0;
};

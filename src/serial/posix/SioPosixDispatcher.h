#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>

#include "SioBaseDispatcher.h"
#include "SioDcb.h"
#include "SioPosixDevice.h"
#include "SioWakePipe.h"

// The dispatcher on a POSIX serial device (termios). It opens the device without sharing,
// translates the line settings record to termios, and runs the device-event thread (poll() on
// the device and a wake-up pipe) and the output thread (non-blocking writes from the output
// ring, waiting for room or an abort when the device would block).
//
// No thread ever spins: a full input ring takes the device out of the event wait until the
// dispatcher thread reads from the device again, a vanished device (hang-up, error) ends the
// device-event thread like a failed wait, and output that cannot drain waits in poll(). Either
// thread, or a read or write failing the way a vanished device fails, reports the loss to the
// base dispatcher with the system's number, and sending is refused from then on.
//
// The descriptor is shared by the worker threads and the caller; `deviceUse_` keeps it (and the
// wake-up pipes) alive while a thread uses it: every use holds it shared, closing holds it
// exclusively after waking the threads that wait in poll(). Nothing that holds it shared waits
// for another lock.
// The device events for a change of the modem status nibble from `before` to `now`: CTS, DSR
// and carrier on any change, ring when the ring line comes up.
std::uint32_t SioModemEvents(std::uint8_t before, std::uint8_t now);

class TSioPosixDispatcher final : public TSioBaseDispatcher {
  public:
    explicit TSioPosixDispatcher(TSioCustomComPort* owner = nullptr, TSioClock* clock = nullptr);
    ~TSioPosixDispatcher() override;

    // The device path a device name stands for: "COM<n>" (also "\\.\COM<n>") through the COM
    // port table, empty when that port is not present; any other name is a path already.
    static std::string ResolveDeviceName(const std::string& name);

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

  private:
    enum class OutputSignal { Ready, Abort, Kill };
    enum class WriteWait { Room, Woken, Gone };

    // Output thread.
    OutputSignal WaitOutputSignal();
    void DrainOutput();
    // Writes what it can of `stretch`; false when the output thread must stop draining.
    bool SendStretch(std::span<const std::uint8_t> stretch);
    WriteWait WaitWritable();
    bool AbortRequested();
    void ObeyAbort();

    // Device-event thread: after each service pass, decides whether the driver holds bytes the
    // dispatcher cannot take (the input ring is full), so that the wait leaves the device out.
    void NoteInputStall(std::uint64_t readsBefore);
    // The modem-line events since the last look (device-event thread only).
    std::uint32_t TakeModemEvents();
    void WakeWorkers();

    std::shared_mutex deviceUse_;
    TSioPosixDevice device_;
    TSioWakePipe comWake_;
    TSioWakePipe outWake_;

    std::mutex statusLock_;  // the line-error counters and the settings record below
    TSioDcb settings_;

    // Modem lines have no event a poll() can wait for: on a device that has them the event wait
    // looks at them every 50 ms and reports changes as device events.
    bool watchModemLines_ = false;
    std::uint8_t lastModemLines_ = 0;

    std::atomic<std::uint64_t> reads_{0};
    std::atomic<bool> inputStalled_{false};
    std::atomic<std::uint64_t> abortsRequested_{0};
    std::atomic<std::uint64_t> abortsObeyed_{0};
    std::mutex abortLock_;  // with abortObeyed_: purges waiting for the output thread
    std::condition_variable abortObeyed_;
};

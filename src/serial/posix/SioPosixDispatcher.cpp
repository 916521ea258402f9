#include "SioPosixDispatcher.h"

#include <sched.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <chrono>

#include "SioComPortTable.h"
#include "SioErrorCodes.h"
#include "SioMessages.h"
#include "SioPosixErrors.h"
#include "SioTermios.h"

namespace {

constexpr std::chrono::milliseconds kPurgeAckLimit{5000};
// How often a purge looks whether the output thread is still there (one that ended through a
// failure never answers).
constexpr std::chrono::milliseconds kPurgeLook{50};
constexpr std::int32_t kEscSetBreak = 8;
constexpr std::int32_t kEscClearBreak = 9;

}  // namespace

TSioPosixDispatcher::TSioPosixDispatcher(TSioCustomComPort* owner, TSioClock* clock)
    : TSioBaseDispatcher(owner, clock) {}

TSioPosixDispatcher::~TSioPosixDispatcher() {
    Shutdown();
}

std::string TSioPosixDispatcher::ResolveDeviceName(const std::string& name) {
    std::string port = name;
    if (port.rfind("\\\\.\\", 0) == 0) port.erase(0, 4);
    const bool comName = port.size() > 3 && port.compare(0, 3, "COM") == 0 &&
                         port.find_first_not_of("0123456789", 3) == std::string::npos &&
                         port.size() <= 12;
    if (!comName) return name;
    const long number = std::stol(port.substr(3));
    return number > 0 ? ComDevicePath(static_cast<int>(number)) : std::string();
}

// --- Opening and closing --------------------------------------------------------------------

std::intptr_t TSioPosixDispatcher::DeviceOpen(const std::string& name, std::uint32_t,
                                              std::uint32_t) {
    const std::string path = ResolveDeviceName(name);
    if (path.empty()) return sio::ecFileNotFound;
    std::unique_lock use(deviceUse_);
    if (const std::int32_t code = device_.Open(path); code < 0) return code;
    if (!comWake_.Create() || !outWake_.Create()) {
        comWake_.Close();
        outWake_.Close();
        device_.Close();
        return sio::ecOutOfMemory;
    }
    inputStalled_ = false;
    watchModemLines_ = device_.HasModemLines();
    lastModemLines_ = device_.ModemLines();
    {
        std::lock_guard status(statusLock_);
        settings_ = TSioDcb{};
    }
    return device_.Fd();
}

std::int32_t TSioPosixDispatcher::DeviceClose() {
    // Threads waiting in poll() must let go of the descriptors before they can be closed.
    SetKilled();
    WakeWorkers();
    CommEventDone().Set();
    std::unique_lock use(deviceUse_);
    comWake_.Close();
    outWake_.Close();
    inputStalled_ = false;
    return device_.Close() == 0 ? 0 : -1;
}

std::int32_t TSioPosixDispatcher::DeviceSetQueues(std::uint32_t, std::uint32_t) {
    return 0;  // the driver keeps its own queues; the dispatcher's rings do the buffering
}

// --- Line settings and control lines ----------------------------------------------------------

std::int32_t TSioPosixDispatcher::DeviceGetState(TSioDcb& dcb) {
    std::shared_lock use(deviceUse_);
    termios current{};
    if (!device_.IsOpen() || device_.GetAttributes(current) != 0) return -1;
    std::lock_guard status(statusLock_);
    SioDcbFromTermios(current, settings_);
    dcb = settings_;
    return 0;
}

std::int32_t TSioPosixDispatcher::DeviceSetState(const TSioDcb& dcb) {
    std::shared_lock use(deviceUse_);
    if (!device_.IsOpen()) return sio::ecInvalidHandle;
    termios wanted{};
    if (const std::int32_t code = device_.GetAttributes(wanted); code != 0) return code;
    if (const std::int32_t code = SioDcbToTermios(dcb, wanted); code != 0) return code;
    if (const std::int32_t code = device_.SetAttributes(wanted); code != 0) return code;
    std::lock_guard status(statusLock_);
    settings_ = dcb;
    return 0;
}

// The result is always 0, whatever the device says: a device without control lines
// (a pseudo-terminal) or one that has gone is not a fault of the caller's arguments.
std::int32_t TSioPosixDispatcher::DeviceEscape(std::int32_t function) {
    std::shared_lock use(deviceUse_);
    if (!device_.IsOpen()) return 0;
    switch (function) {
        case sio::EscSetRts:
            device_.SetModemLines(TIOCM_RTS, true);
            break;
        case sio::EscClrRts:
            device_.SetModemLines(TIOCM_RTS, false);
            break;
        case sio::EscSetDtr:
            device_.SetModemLines(TIOCM_DTR, true);
            break;
        case sio::EscClrDtr:
            device_.SetModemLines(TIOCM_DTR, false);
            break;
        case kEscSetBreak:
            device_.SetBreak(true);
            break;
        case kEscClearBreak:
            device_.SetBreak(false);
            break;
        default:
            break;
    }
    return 0;
}

std::uint8_t TSioPosixDispatcher::DeviceModemLines() {
    std::shared_lock use(deviceUse_);
    return device_.IsOpen() ? device_.ModemLines() : 0;
}

std::uint32_t TSioPosixDispatcher::DeviceStatus(TSioDeviceStatus& status) {
    std::uint32_t flags = 0;
    {
        std::shared_lock use(deviceUse_);
        std::lock_guard counters(statusLock_);
        status.InQueue = device_.IsOpen() ? device_.InputCount() : 0;
        flags = device_.IsOpen() ? device_.TakeLineErrors() : 0;
    }
    status.Flags = flags;
    status.OutQueue = OutputRingCount();
    return flags;
}

std::uint32_t TSioPosixDispatcher::DeviceLineErrors() {
    std::shared_lock use(deviceUse_);
    std::lock_guard counters(statusLock_);
    return device_.IsOpen() ? device_.TakeLineErrors() : 0;
}

std::int32_t TSioPosixDispatcher::DeviceEvents(std::int32_t) {
    return 0;
}

std::int32_t TSioPosixDispatcher::DeviceYield() {
    ::sched_yield();
    return 0;
}

// --- Input and output ---------------------------------------------------------------------

std::int32_t TSioPosixDispatcher::DeviceRead(std::uint8_t* buffer, std::uint32_t size) {
    std::shared_lock use(deviceUse_);
    if (!device_.IsOpen()) return 0;
    int error = 0;
    const std::int32_t got = device_.Read(buffer, size, &error);
    if (got < 0 && SioDeviceGoneErrno(error)) NoteDeviceLost(error);
    // The dispatcher takes bytes again: a wait that left the device out must watch it anew.
    ++reads_;
    if (inputStalled_.exchange(false)) comWake_.Wake();
    return got;
}

std::int32_t TSioPosixDispatcher::DeviceWrite(const std::uint8_t* data, std::uint32_t size) {
    // The caller holds the output lock. With nothing waiting in the ring, nothing is on its way
    // to the device either (the output thread empties the ring only after writing), so what the
    // device takes at once may go straight to it, in order, without a hand-over to the output
    // thread. The write does not block; whatever the device does not take, and every failure,
    // is left to the output thread as before.
    std::uint32_t written = 0;
    if (OutputRingEmpty() && DeviceLostError() == 0) {
        std::shared_lock use(deviceUse_);
        if (device_.IsOpen())
            written = static_cast<std::uint32_t>(std::max(device_.Write(data, size), 0));
    }
    if (written == size) return static_cast<std::int32_t>(size);
    const std::uint32_t queued = QueueOutput(data + written, size - written);
    // An output thread waiting for room in the device sends these bytes once there is room; one
    // waiting for bytes is woken.
    if (queued > 0) OutputReady().Set();
    return queued > 0 ? static_cast<std::int32_t>(size) : static_cast<std::int32_t>(written);
}

std::int32_t TSioPosixDispatcher::DevicePurge(std::int32_t queue) {
    if (queue == sio::PurgeOutput) {
        if (WorkerPresent(TSioWorker::Out)) {
            // The output thread lets go of the ring before it is emptied under it. Counting
            // the requests keeps an acknowledgement meant for something else from ending the
            // wait early.
            const std::uint64_t request = ++abortsRequested_;
            OutputAbort().Set();
            {
                std::shared_lock use(deviceUse_);
                outWake_.Wake();  // out of a wait for room in the device
            }
            OutputReady().Set();  // out of a wait for bytes
            // Several purges may wait at once and one abort answers them all, so each waits
            // for the count, not for an acknowledgement another waiter could take.
            const auto deadline = std::chrono::steady_clock::now() + kPurgeAckLimit;
            std::unique_lock guard(abortLock_);
            while (abortsObeyed_ < request && WorkerPresent(TSioWorker::Out) &&
                   std::chrono::steady_clock::now() < deadline)
                abortObeyed_.wait_for(guard, kPurgeLook);
        }
        ClearOutputRing();
    }
    std::shared_lock use(deviceUse_);
    if (!device_.IsOpen()) return 0;
    int error = 0;
    std::int32_t result = device_.Flush(queue == sio::PurgeOutput ? TCOFLUSH : TCIFLUSH, &error);
    // A device that has just gone has nothing left to purge; the loss shows when sending.
    if (result < 0 && SioDeviceGoneErrno(error)) {
        NoteDeviceLost(error);
        result = 0;
    }
    // Bytes that waited for room in the input ring are gone: watch the device again.
    if (queue != sio::PurgeOutput && inputStalled_.exchange(false)) comWake_.Wake();
    return result;
}

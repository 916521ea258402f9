#include "SioWin32Dispatcher.h"

#include <algorithm>
#include <chrono>

#include "SioErrorCodes.h"
#include "SioMessages.h"
#include "SioWin32Dcb.h"
#include "SioWin32Errors.h"

namespace {

constexpr std::chrono::milliseconds kPurgeAckLimit{5000};
// A read asks for no more than the driver holds, so it ends at once; the limit only guards
// against a driver that keeps it pending all the same (what it moved is still taken).
constexpr DWORD kReadLimitMs = 500;
constexpr std::int32_t kEscSetBreak = 8;
constexpr std::int32_t kEscClearBreak = 9;

}  // namespace

TSioWin32Dispatcher::TSioWin32Dispatcher(TSioCustomComPort* owner, TSioClock* clock)
    : TSioBaseDispatcher(owner, clock) {}

TSioWin32Dispatcher::~TSioWin32Dispatcher() {
    Shutdown();
}

std::string TSioWin32Dispatcher::DevicePathFor(const std::string& name) {
    const bool comName = name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
                         name.find_first_not_of("0123456789", 3) == std::string::npos;
    return comName ? "\\\\.\\" + name : name;
}

void TSioWin32Dispatcher::ReportFailure(std::uint32_t errorNumber) {
    if (SioWin32DeviceGone(errorNumber)) NoteDeviceLost(static_cast<int>(errorNumber));
}

// --- Opening and closing --------------------------------------------------------------------

bool TSioWin32Dispatcher::CreateIoObjects() {
    return readIo_.Create() && byteIo_.Create() && eventIo_.Create() && writeIo_.Create() &&
           comWake_.Create(false) && outWake_.Create(false);
}

void TSioWin32Dispatcher::CloseIoObjects() {
    readIo_.Close();
    byteIo_.Close();
    eventIo_.Close();
    writeIo_.Close();
    comWake_.Close();
    outWake_.Close();
}

std::intptr_t TSioWin32Dispatcher::DeviceOpen(const std::string& name, std::uint32_t,
                                              std::uint32_t) {
    const std::string path = DevicePathFor(name);
    std::unique_lock use(deviceUse_);
    const HANDLE device = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return SioCodeForWin32Error(::GetLastError());
    if (!claim_.Take(path)) {
        ::CloseHandle(device);
        return SioDeviceHeldCode();
    }
    if (!CreateIoObjects()) {
        CloseIoObjects();
        claim_.Release();
        ::CloseHandle(device);
        return sio::ecOutOfMemory;
    }
    // Reads return at once with what the driver holds, or, when it holds nothing, wait for the
    // first byte (the device-event thread's read); writes wait as long as they need.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = MAXDWORD - 1;
    ::SetCommTimeouts(device, &timeouts);
    device_ = device;
    heldLineErrors_ = 0;
    byteHeld_ = false;
    byteReadPending_ = false;
    return reinterpret_cast<std::intptr_t>(device);
}

std::int32_t TSioWin32Dispatcher::DeviceClose() {
    // The threads must be out of their waits, and done with the handle, before it is closed.
    SetKilled();
    WakeWorkers();
    CommEventDone().Set();
    std::unique_lock use(deviceUse_);
    if (device_ == INVALID_HANDLE_VALUE) return 0;
    CancelComOperations();  // the device-event thread's, left pending over a hand-over
    const bool closed = ::CloseHandle(device_) != FALSE;
    device_ = INVALID_HANDLE_VALUE;
    CloseIoObjects();
    claim_.Release();
    byteHeld_ = false;
    return closed ? 0 : -1;
}

std::int32_t TSioWin32Dispatcher::DeviceSetQueues(std::uint32_t inSize, std::uint32_t outSize) {
    std::shared_lock use(deviceUse_);
    if (device_ == INVALID_HANDLE_VALUE) return sio::ecInvalidHandle;
    if (::SetupComm(device_, inSize, outSize)) return 0;
    return SioCodeForWin32Error(::GetLastError());
}

// --- Line settings and control lines ----------------------------------------------------------

std::int32_t TSioWin32Dispatcher::DeviceGetState(TSioDcb& dcb) {
    std::shared_lock use(deviceUse_);
    DCB block{};
    block.DCBlength = sizeof block;
    if (device_ == INVALID_HANDLE_VALUE || !::GetCommState(device_, &block)) return -1;
    dcb = SioDcbFromWin32(block);
    return 0;
}

std::int32_t TSioWin32Dispatcher::DeviceSetState(const TSioDcb& dcb) {
    std::shared_lock use(deviceUse_);
    if (device_ == INVALID_HANDLE_VALUE) return sio::ecInvalidHandle;
    DCB block = SioDcbToWin32(dcb);
    if (::SetCommState(device_, &block)) return 0;
    return SioCodeForWin32Error(::GetLastError());
}

// The result is always 0, whatever the driver says: a port without control lines (an
// emulated one) or one that has gone is not a fault of the caller's arguments.
std::int32_t TSioWin32Dispatcher::DeviceEscape(std::int32_t function) {
    switch (function) {
        case sio::EscSetRts:
        case sio::EscClrRts:
        case sio::EscSetDtr:
        case sio::EscClrDtr:
        case kEscSetBreak:
        case kEscClearBreak:
            break;
        default:
            return 0;
    }
    std::shared_lock use(deviceUse_);
    if (device_ != INVALID_HANDLE_VALUE)
        ::EscapeCommFunction(device_, static_cast<DWORD>(function));
    return 0;
}

// The driver's status bits are the modem status nibble itself; a driver without modem lines
// answers as a quiet line.
std::uint8_t TSioWin32Dispatcher::DeviceModemLines() {
    std::shared_lock use(deviceUse_);
    DWORD lines = 0;
    if (device_ == INVALID_HANDLE_VALUE || !::GetCommModemStatus(device_, &lines)) return 0;
    return static_cast<std::uint8_t>(lines & 0xF0);
}

bool TSioWin32Dispatcher::DriverStatus(std::uint32_t& flags, std::uint32_t& inQueue) {
    DWORD errors = 0;
    COMSTAT status{};
    const bool ok = device_ != INVALID_HANDLE_VALUE && ::ClearCommError(device_, &errors, &status);
    if (!ok && device_ != INVALID_HANDLE_VALUE) ReportFailure(::GetLastError());
    flags = (ok ? errors & sio::LineErrorMask : 0) | heldLineErrors_.exchange(0);
    inQueue = ok ? status.cbInQue : 0;
    return ok;
}

std::uint32_t TSioWin32Dispatcher::DeviceStatus(TSioDeviceStatus& status) {
    std::uint32_t flags = 0;
    std::uint32_t inQueue = 0;
    {
        std::shared_lock use(deviceUse_);
        DriverStatus(flags, inQueue);
    }
    status.Flags = flags;
    status.InQueue = inQueue + (byteHeld_ ? 1 : 0);
    status.OutQueue = OutputRingCount();  // after letting go of the device: lock order
    return flags;
}

std::uint32_t TSioWin32Dispatcher::DeviceLineErrors() {
    std::uint32_t flags = 0;
    std::uint32_t inQueue = 0;
    std::shared_lock use(deviceUse_);
    DriverStatus(flags, inQueue);
    return flags;
}

std::int32_t TSioWin32Dispatcher::DeviceEvents(std::int32_t) {
    return 0;
}

std::int32_t TSioWin32Dispatcher::DeviceYield() {
    ::Sleep(0);
    return 0;
}

// --- Input and output ---------------------------------------------------------------------

std::int32_t TSioWin32Dispatcher::DeviceRead(std::uint8_t* buffer, std::uint32_t size) {
    if (size == 0) return 0;
    std::shared_lock use(deviceUse_);
    std::lock_guard rx(rxLock_);
    // The device-event thread's pending read gets the next byte: it comes first, with the
    // notification that its read has ended.
    if (device_ == INVALID_HANDLE_VALUE || byteReadPending_) return 0;
    std::uint32_t got = 0;
    if (byteHeld_.exchange(false)) {
        buffer[got++] = byteBuffer_;
        comWake_.Set();  // the device-event thread may read again
    }
    // Never more than the driver holds: a read of an empty queue would wait for a byte.
    std::uint32_t flags = 0;
    std::uint32_t waiting = 0;
    DriverStatus(flags, waiting);
    heldLineErrors_ |= flags;  // for the next look at the line errors
    const std::uint32_t wanted = std::min(size - got, waiting);
    if (wanted > 0) {
        const BOOL started = ::ReadFile(device_, buffer + got, wanted, nullptr, readIo_.Prepare());
        const TSioIoOutcome outcome = readIo_.Finish(device_, started, nullptr, kReadLimitMs);
        if (!outcome.Ok && !outcome.Interrupted) ReportFailure(outcome.Error);
        got += outcome.Bytes;
    }
    return static_cast<std::int32_t>(got);
}

std::int32_t TSioWin32Dispatcher::DeviceWrite(const std::uint8_t* data, std::uint32_t size) {
    // The caller holds the output lock; the output thread sends what is queued.
    const std::uint32_t queued = QueueOutput(data, size);
    if (queued > 0) OutputReady().Set();
    return static_cast<std::int32_t>(queued);
}

std::int32_t TSioWin32Dispatcher::DevicePurge(std::int32_t queue) {
    DWORD what = PURGE_RXABORT | PURGE_RXCLEAR;
    if (queue == sio::PurgeOutput) {
        what = PURGE_TXABORT | PURGE_TXCLEAR;
        // The output thread gives up the write in progress (a purge of the driver does not end
        // an overlapped write everywhere) and lets go of the ring before it is emptied.
        ++purging_;
        {
            std::lock_guard out(OutputLock());
            ++outputGeneration_;
        }
        {
            std::shared_lock use(deviceUse_);
            outWake_.Set();
        }
        std::unique_lock send(sendLock_, std::defer_lock);
        static_cast<void>(send.try_lock_for(kPurgeAckLimit));
        ClearOutputRing();
        --purging_;
    }
    std::shared_lock use(deviceUse_);
    if (device_ == INVALID_HANDLE_VALUE) return 0;
    std::unique_lock rx(rxLock_, std::defer_lock);
    if (queue != sio::PurgeOutput) {
        rx.lock();
        // The byte the device-event thread holds, or takes before its read ends, came before
        // the purge and goes with it; that thread then reads again.
        ++inputPurges_;
        byteHeld_ = false;
        if (byteReadPending_) byteIo_.Cancel(device_);
        comWake_.Set();
    }
    std::int32_t result = 0;
    if (!::PurgeComm(device_, what)) {
        const DWORD error = ::GetLastError();
        ReportFailure(error);
        // A device that has just gone has nothing left to purge; the loss shows when sending.
        if (!SioWin32DeviceGone(error)) result = SioCodeForWin32Error(error);
    }
    return result;
}

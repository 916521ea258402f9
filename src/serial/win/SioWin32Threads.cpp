// The device-event and output threads of the Windows dispatcher.

#include <pthread.h>

#include <chrono>

#include "SioMessages.h"
#include "SioWin32Dispatcher.h"
#include "SioWin32Errors.h"

namespace {

// Waits that are ended by a signal, not by time; the limit only bounds a single wait.
constexpr std::chrono::hours kLongWait{1};

// Receive, CTS, DSR, carrier, break, error and ring; without the modem lines for a driver that
// refuses to wait for them.
constexpr std::uint32_t kAllEvents =
    sio::EvRxChar | sio::EvCts | sio::EvDsr | sio::EvRlsd | sio::EvBreak | sio::EvErr | sio::EvRing;
constexpr std::uint32_t kLineEvents = sio::EvRxChar | sio::EvBreak | sio::EvErr;

// How long the device-event thread rests after a wait that ended at once without an event, so
// that a driver answering every wait that way costs a few wake-ups a second, not a core.
constexpr DWORD kEmptyWaitPauseMs = 10;

constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                               THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                               THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

void TSioWin32Dispatcher::WakeDeviceWait() {
    std::shared_lock use(deviceUse_);
    comWake_.Set();
}

void TSioWin32Dispatcher::WakeWorkers() {
    {
        std::shared_lock use(deviceUse_);
        comWake_.Set();
        outWake_.Set();  // an output thread waiting for a write
    }
    OutputReady().Set();  // one waiting for bytes to send
}

void TSioWin32Dispatcher::StopThreads() {
    // Wake every worker so that stopping takes no longer than their current step.
    SetKilled();
    WakeWorkers();
    CommEventReady().Set();
    TSioBaseDispatcher::StopThreads();
}

void TSioWin32Dispatcher::SetWorkerPriority(TSioWorker worker, int level) {
    const auto thread = WorkerHandle(worker);
    if (!thread || level < 0 || level > 6) return;
    ::SetThreadPriority(static_cast<HANDLE>(pthread_gethandle(thread)), kPriorities[level]);
}

// --- Device-event thread ------------------------------------------------------------------------

void TSioWin32Dispatcher::ApplyEventMask() {
    const std::uint32_t wanted = inputStalled_ ? wantedEvents_ & ~sio::EvRxChar : wantedEvents_;
    if (wanted == appliedEvents_) return;
    ::SetCommMask(device_, wanted);
    appliedEvents_ = wanted;
}

void TSioWin32Dispatcher::PauseAfterEmptyWait() {
    std::shared_lock use(deviceUse_);
    if (comWake_.Valid()) ::WaitForSingleObject(comWake_.Get(), kEmptyWaitPauseMs);
}

TSioWin32Dispatcher::WaitEnd TSioWin32Dispatcher::AfterFailedWait(const TSioIoOutcome& outcome) {
    // A driver's own time-out, or a cancel: nothing happened, ask again.
    if (outcome.Interrupted || outcome.Error == ERROR_OPERATION_ABORTED) return WaitEnd::Again;
    // A driver that cannot wait for the modem lines: wait for the rest, the dispatcher thread
    // reads the lines on each of its passes.
    const bool refused =
        outcome.Error == ERROR_NOT_SUPPORTED || outcome.Error == ERROR_INVALID_PARAMETER;
    if (refused && wantedEvents_ != kLineEvents) {
        wantedEvents_ = kLineEvents;
        return WaitEnd::Again;
    }
    // A device that has gone, or a wait that cannot be made: the port stays open without device
    // events, and the dispatcher thread looks at the driver on its own.
    ReportFailure(outcome.Error);
    return WaitEnd::Stop;
}

TSioWin32Dispatcher::WaitEnd TSioWin32Dispatcher::WaitOnce(std::uint32_t& eventMask) {
    std::shared_lock use(deviceUse_);
    if (Killed() || device_ == INVALID_HANDLE_VALUE) return WaitEnd::Stop;
    ApplyEventMask();
    DWORD events = 0;  // written by the driver until the wait has ended
    const BOOL started = ::WaitCommEvent(device_, &events, eventIo_.Prepare());
    const TSioIoOutcome outcome = eventIo_.Finish(device_, started, comWake_.Get(), INFINITE);
    if (outcome.Ok && events != 0) {
        eventMask = events;
        return WaitEnd::Event;
    }
    // A wait that ended at once with nothing to show must not be repeated at full speed.
    const bool empty = outcome.Ok || !SioWin32DeviceGone(outcome.Error);
    if (empty && !outcome.Pended) {
        use.unlock();
        PauseAfterEmptyWait();
        use.lock();
    }
    return outcome.Ok ? WaitEnd::Again : AfterFailedWait(outcome);
}

bool TSioWin32Dispatcher::DeviceWaitEvent(std::uint32_t& eventMask) {
    for (;;) {
        switch (WaitOnce(eventMask)) {
            case WaitEnd::Event:
                return !Killed();
            case WaitEnd::Stop:
                return false;
            case WaitEnd::Again:
                break;
        }
    }
}

void TSioWin32Dispatcher::NoteInputStall(std::uint64_t readsBefore) {
    if (reads_ != readsBefore) return;
    DWORD errors = 0;
    COMSTAT status{};
    {
        std::shared_lock use(deviceUse_);
        if (device_ == INVALID_HANDLE_VALUE || !::ClearCommError(device_, &errors, &status)) return;
    }
    heldLineErrors_ |= errors & sio::LineErrorMask;
    if (status.cbInQue == 0) return;
    inputStalled_ = true;
    // A read that came in between may have missed the flag; it has made progress, so undo.
    if (reads_ != readsBefore) inputStalled_ = false;
}

void TSioWin32Dispatcher::RunComThread() {
    wantedEvents_ = kAllEvents;
    appliedEvents_ = 0;
    Acknowledge().Set();
    std::uint32_t mask = 0;
    while (DeviceWaitEvent(mask)) {
        const std::uint64_t readsBefore = reads_;
        SetLastEventMask(mask);
        CommEventDone().ResetEvent();
        CommEventReady().Set();
        while (!Killed() && !CommEventDone().WaitFor(kLongWait)) {
        }
        if (Killed()) break;
        // Bytes the pass left in the driver keep a receive wait ending at once on some drivers.
        if (mask & sio::EvRxChar) NoteInputStall(readsBefore);
        mask = 0;
    }
    Acknowledge().Set();
}

// --- Output thread --------------------------------------------------------------------------

void TSioWin32Dispatcher::RunOutThread() {
    Acknowledge().Set();
    while (!Killed() && !ClosePending()) {
        if (OutputReady().WaitFor(kLongWait) && !Killed()) DrainOutput();
    }
}

void TSioWin32Dispatcher::DrainOutput() {
    while (!Killed()) {
        std::lock_guard send(sendLock_);
        if (purging_ > 0) return;  // the purge empties the ring
        std::uint64_t generation = 0;
        std::span<const std::uint8_t> stretch;
        {
            std::lock_guard out(OutputLock());
            generation = outputGeneration_;
            stretch = TakeOutputStretch();
        }
        if (stretch.empty()) return;
        const std::uint32_t done = SendStretch(stretch);
        std::lock_guard out(OutputLock());
        if (generation == outputGeneration_) AdvanceOutput(done);
    }
}

std::uint32_t TSioWin32Dispatcher::SendStretch(std::span<const std::uint8_t> stretch) {
    const auto size = static_cast<std::uint32_t>(stretch.size());
    // Nothing takes bytes for a device that has gone, and the senders hear of it: drop them.
    if (DeviceLostError() != 0) return size;
    std::shared_lock use(deviceUse_);
    if (device_ == INVALID_HANDLE_VALUE) return size;
    const BOOL started = ::WriteFile(device_, stretch.data(), size, nullptr, writeIo_.Prepare());
    const TSioIoOutcome outcome = writeIo_.Finish(device_, started, outWake_.Get(), INFINITE);
    // A write given up for a purge or the end of the port counts what went out; the rest stays
    // queued unless the purge empties the ring.
    if (outcome.Interrupted) return outcome.Bytes;
    if (outcome.Ok && outcome.Bytes > 0) return outcome.Bytes;
    // A refused write drops its bytes (as does one that sent nothing, which would never end).
    if (!outcome.Ok) ReportFailure(outcome.Error);
    return size;
}

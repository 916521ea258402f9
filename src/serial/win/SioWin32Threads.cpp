// The device-event and output threads of the Windows dispatcher.

#include <pthread.h>

#include <chrono>

#include "SioMessages.h"
#include "SioWin32Dispatcher.h"
#include "SioWin32Errors.h"

namespace {

// Waits that are ended by a signal, not by time; the limit only bounds a single wait.
constexpr std::chrono::hours kLongWait{1};

// CTS, DSR, carrier, break, error and ring (received bytes are learnt from the pending read);
// without the modem lines for a driver that refuses to wait for them.
constexpr std::uint32_t kModemAndLineEvents =
    sio::EvCts | sio::EvDsr | sio::EvRlsd | sio::EvBreak | sio::EvErr | sio::EvRing;
constexpr std::uint32_t kLineEvents = sio::EvBreak | sio::EvErr;

// Event waits in a row that the driver ended by itself with nothing to show, after which they
// are given up.
constexpr int kEmptyEventWaitLimit = 3;

// Without event waits, how often the thread looks at the line status itself: line errors become
// events, and a device that has gone (whose pending read some drivers never end) is noticed.
constexpr DWORD kLineLookMs = 250;

// How long the thread rests after a read that ended at once with nothing (a driver that does not
// wait for the first byte), so that such a driver costs a few looks a second, not a processor.
constexpr DWORD kEndedAtOncePauseMs = 10;

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

void TSioWin32Dispatcher::StartByteRead(TComTurn& turn) {
    std::lock_guard rx(rxLock_);
    if (byteHeld_ || byteReadPending_) return;
    purgesAtByteRead_ = inputPurges_;
    const BOOL started = ::ReadFile(device_, &byteBuffer_, 1, nullptr, byteIo_.Prepare());
    if (!started && ::GetLastError() == ERROR_IO_PENDING) {
        byteReadPending_ = true;
        return;
    }
    EndByteRead(byteIo_.Finish(device_, started, nullptr, 0), turn);
}

// With `rxLock_` held.
void TSioWin32Dispatcher::EndByteRead(const TSioIoOutcome& outcome, TComTurn& turn) {
    byteReadPending_ = false;
    if (outcome.Ok && outcome.Bytes == 1) {
        if (purgesAtByteRead_ != inputPurges_) return;  // it arrived before a purge
        byteHeld_ = true;
        turn.Events |= sio::EvRxChar;
        return;
    }
    // Cancelled (by a purge of the input, or to stop), or the driver's own time-out after
    // weeks of silence: read again, though not at once when the driver did not even wait.
    // Anything else ends the thread: a device that has gone is reported, and the dispatcher
    // thread looks at the driver on its own from now on.
    if (outcome.Ok || outcome.Error == ERROR_OPERATION_ABORTED) {
        turn.EndedAtOnce = !outcome.Pended;
        return;
    }
    ReportFailure(outcome.Error);
    turn.Stop = true;
}

void TSioWin32Dispatcher::StartEventWait(TComTurn& turn) {
    if (!eventWaitsOn_ || eventWaitPending_) return;
    if (wantedEvents_ != appliedEvents_) {
        ::SetCommMask(device_, wantedEvents_);
        appliedEvents_ = wantedEvents_;
    }
    eventBits_ = 0;
    const BOOL started = ::WaitCommEvent(device_, &eventBits_, eventIo_.Prepare());
    if (!started && ::GetLastError() == ERROR_IO_PENDING) {
        eventWaitPending_ = true;
        return;
    }
    EndEventWait(eventIo_.Finish(device_, started, nullptr, 0), turn);
}

void TSioWin32Dispatcher::EndEventWait(const TSioIoOutcome& outcome, TComTurn& turn) {
    eventWaitPending_ = false;
    if (outcome.Ok && eventBits_ != 0) {
        emptyEventWaits_ = 0;
        turn.Events |= eventBits_;
        return;
    }
    if (outcome.Ok || outcome.Error == ERROR_OPERATION_ABORTED) {
        if (!outcome.Interrupted) NoteEmptyEventWait();
        return;
    }
    // A driver that cannot wait for the modem lines: wait for the rest.
    const bool refused =
        outcome.Error == ERROR_NOT_SUPPORTED || outcome.Error == ERROR_INVALID_PARAMETER;
    if (refused && wantedEvents_ != kLineEvents) {
        wantedEvents_ = kLineEvents;
        return;
    }
    if (SioWin32DeviceGone(outcome.Error)) {
        ReportFailure(outcome.Error);
        turn.Stop = true;
        return;
    }
    eventWaitsOn_ = false;  // a wait the driver refuses: input still arrives by the read
}

void TSioWin32Dispatcher::NoteEmptyEventWait() {
    // A driver that keeps ending waits by itself polls inside them, at a cost to the processor
    // while the line is idle; the dispatcher thread reads the lines and the line errors itself
    // whenever a trigger needs them, so the waits are not worth that cost.
    if (++emptyEventWaits_ >= kEmptyEventWaitLimit) eventWaitsOn_ = false;
}

void TSioWin32Dispatcher::LookAtLine(TComTurn& turn) {
    std::uint32_t flags = 0;
    std::uint32_t inQueue = 0;
    DriverStatus(flags, inQueue);
    heldLineErrors_ |= flags;  // the dispatcher collects them with its next look
    if (flags & sio::LineBreak) turn.Events |= sio::EvBreak;
    if (flags & ~sio::LineBreak) turn.Events |= sio::EvErr;
    if (DeviceLostError() != 0) turn.Stop = true;
}

TSioWin32Dispatcher::TComTurn TSioWin32Dispatcher::ComTurn() {
    TComTurn turn;
    if (Killed() || device_ == INVALID_HANDLE_VALUE) {
        turn.Stop = true;
        return turn;
    }
    StartByteRead(turn);
    if (!turn.Stop) StartEventWait(turn);
    if (turn.Events != 0 || turn.Stop) return turn;
    HANDLE handles[3];
    DWORD count = 0;
    const bool readPending = byteReadPending_;  // only this thread changes it while it waits
    if (readPending) handles[count++] = byteIo_.Event();
    if (eventWaitPending_) handles[count++] = eventIo_.Event();
    handles[count++] = comWake_.Get();
    const DWORD woke =
        ::WaitForMultipleObjects(count, handles, FALSE, eventWaitsOn_ ? INFINITE : kLineLookMs);
    if (woke == WAIT_TIMEOUT) {
        LookAtLine(turn);
        return turn;
    }
    if (woke >= WAIT_OBJECT_0 + count) {  // the wait itself failed: never repeat it at once
        turn.Stop = true;
        return turn;
    }
    const HANDLE ended = handles[woke - WAIT_OBJECT_0];
    if (readPending && ended == byteIo_.Event()) {
        std::lock_guard rx(rxLock_);
        EndByteRead(byteIo_.Collect(device_, false), turn);
    } else if (eventWaitPending_ && ended == eventIo_.Event()) {
        EndEventWait(eventIo_.Collect(device_, false), turn);
    }
    return turn;
}

void TSioWin32Dispatcher::CancelComOperations() {
    if (eventWaitPending_) {
        eventIo_.CancelAndCollect(device_);
        eventWaitPending_ = false;
    }
    std::lock_guard rx(rxLock_);
    if (!byteReadPending_) return;
    // A byte that arrived just before the cancel is kept for the dispatcher.
    if (byteIo_.CancelAndCollect(device_).Bytes == 1 && purgesAtByteRead_ == inputPurges_)
        byteHeld_ = true;
    byteReadPending_ = false;
}

bool TSioWin32Dispatcher::DeviceWaitEvent(std::uint32_t& eventMask) {
    for (;;) {
        std::shared_lock use(deviceUse_);
        const TComTurn turn = ComTurn();
        if (turn.Stop) {
            if (device_ != INVALID_HANDLE_VALUE) CancelComOperations();
            return false;
        }
        if (turn.Events != 0) {
            eventMask = turn.Events;
            return true;
        }
        if (turn.EndedAtOnce) ::WaitForSingleObject(comWake_.Get(), kEndedAtOncePauseMs);
    }
}

void TSioWin32Dispatcher::RunComThread() {
    wantedEvents_ = kModemAndLineEvents;
    appliedEvents_ = 0;
    eventWaitsOn_ = true;
    emptyEventWaits_ = 0;
    Acknowledge().Set();
    std::uint32_t mask = 0;
    while (DeviceWaitEvent(mask)) {
        SetLastEventMask(mask);
        CommEventDone().ResetEvent();
        CommEventReady().Set();
        while (!Killed() && !CommEventDone().WaitFor(kLongWait)) {
        }
        if (Killed()) break;
        mask = 0;
    }
    {
        // Operations left pending over the last hand-over end before the thread does.
        std::shared_lock use(deviceUse_);
        if (device_ != INVALID_HANDLE_VALUE) CancelComOperations();
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

// The device-event and output threads of the POSIX dispatcher.

#include <poll.h>

#include <cerrno>
#include <chrono>

#include "SioMessages.h"
#include "SioPosixDispatcher.h"
#include "SioPosixErrors.h"

namespace {

// Waits that are ended by a signal, not by time; the limit only bounds a single wait.
constexpr std::chrono::hours kLongWait{1};
constexpr std::chrono::milliseconds kNoWait{0};

constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;
constexpr int kModemLookMs = 50;

// poll() resumed after a signal: the number of ready descriptors (0 when `limitMs` passed), or
// −1 when it failed. A limit of −1 waits without one.
int Poll(pollfd* fds, nfds_t count, int limitMs) {
    for (;;) {
        const int ready = ::poll(fds, count, limitMs);
        if (ready >= 0 || errno != EINTR) return ready;
    }
}

bool PollForever(pollfd* fds, nfds_t count) {
    return Poll(fds, count, -1) >= 0;
}

}  // namespace

std::uint32_t SioModemEvents(std::uint8_t before, std::uint8_t now) {
    const std::uint8_t changed = before ^ now;
    std::uint32_t events = 0;
    if (changed & sio::ModemCts) events |= sio::EvCts;
    if (changed & sio::ModemDsr) events |= sio::EvDsr;
    if (changed & sio::ModemDcd) events |= sio::EvRlsd;
    if ((changed & now) & sio::ModemRing) events |= sio::EvRing;
    return events;
}

void TSioPosixDispatcher::WakeDeviceWait() {
    std::shared_lock use(deviceUse_);
    comWake_.Wake();
}

void TSioPosixDispatcher::WakeWorkers() {
    {
        std::shared_lock use(deviceUse_);
        comWake_.Wake();
        outWake_.Wake();  // an output thread waiting for room in the device
    }
    OutputReady().Set();  // one waiting for bytes to send
}

void TSioPosixDispatcher::StopThreads() {
    // The workers wait in poll() and the dispatcher thread up to 50 ms for an event: wake them
    // all so that stopping takes no longer than their current step.
    SetKilled();
    WakeWorkers();
    CommEventReady().Set();
    TSioBaseDispatcher::StopThreads();
}

// --- Device-event thread ------------------------------------------------------------------------

bool TSioPosixDispatcher::DeviceWaitEvent(std::uint32_t& eventMask) {
    for (;;) {
        std::shared_lock use(deviceUse_);
        if (Killed() || !device_.IsOpen()) return false;
        const short watch = inputStalled_ ? 0 : POLLIN;
        pollfd fds[2] = {{device_.Fd(), watch, 0}, {comWake_.PollFd(), POLLIN, 0}};
        const int ready = Poll(fds, 2, watchModemLines_ ? kModemLookMs : -1);
        if (ready < 0) return false;
        if (ready == 0) {
            if (const std::uint32_t events = TakeModemEvents()) {
                eventMask = events;
                return true;
            }
            continue;
        }
        if (fds[1].revents != 0) {
            comWake_.Drain();
            continue;
        }
        // A hang-up (a closed pseudo-terminal master, an unplugged adapter) or a device error
        // ends the wait for good, as a failed wait does; sending fails from now on.
        if (fds[0].revents & kGone) {
            NoteDeviceLost(device_.HangUpError());
            return false;
        }
        if (fds[0].revents & POLLIN) {
            eventMask = sio::EvRxChar;
            return true;
        }
    }
}

std::uint32_t TSioPosixDispatcher::TakeModemEvents() {
    const std::uint8_t now = device_.ModemLines();
    const std::uint32_t events = SioModemEvents(lastModemLines_, now);
    lastModemLines_ = now;
    return events;
}

void TSioPosixDispatcher::NoteInputStall(std::uint64_t readsBefore) {
    if (reads_ != readsBefore) return;
    {
        std::shared_lock use(deviceUse_);
        if (!device_.IsOpen() || device_.InputCount() == 0) return;
    }
    inputStalled_ = true;
    // A read that came in between may have missed the flag; it has made progress, so undo.
    if (reads_ != readsBefore) inputStalled_ = false;
}

void TSioPosixDispatcher::RunComThread() {
    Acknowledge().Set();
    while (!Killed()) {
        std::uint32_t mask = 0;
        if (!DeviceWaitEvent(mask) || Killed()) break;
        const std::uint64_t readsBefore = reads_;
        SetLastEventMask(mask);
        CommEventDone().ResetEvent();
        CommEventReady().Set();
        while (!CommEventDone().WaitFor(kLongWait) && !Killed()) {
        }
        if (Killed()) break;
        NoteInputStall(readsBefore);
    }
    Acknowledge().Set();
}

// --- Output thread --------------------------------------------------------------------------

bool TSioPosixDispatcher::AbortRequested() {
    return OutputAbort().WaitFor(kNoWait);
}

void TSioPosixDispatcher::ObeyAbort() {
    {
        std::lock_guard guard(abortLock_);
        abortsObeyed_ = abortsRequested_.load();
    }
    abortObeyed_.notify_all();
    Acknowledge().Set();
}

TSioPosixDispatcher::OutputSignal TSioPosixDispatcher::WaitOutputSignal() {
    // Queued bytes, a purge and the end of the port all set output-ready, so one wait serves
    // all three; what woke the thread is then looked up without another wait.
    for (;;) {
        if (AbortRequested()) return OutputSignal::Abort;
        if (Killed()) return OutputSignal::Kill;
        if (OutputReady().WaitFor(kLongWait)) {
            if (AbortRequested()) return OutputSignal::Abort;
            if (Killed()) return OutputSignal::Kill;
            return OutputSignal::Ready;
        }
    }
}

void TSioPosixDispatcher::RunOutThread() {
    Acknowledge().Set();
    for (;;) {
        const OutputSignal signal = WaitOutputSignal();
        if (signal == OutputSignal::Kill) break;
        if (signal == OutputSignal::Abort) {
            ObeyAbort();
        } else {
            if (Killed()) break;
            DrainOutput();
        }
        if (Killed() || ClosePending()) break;
    }
    ObeyAbort();  // a purge waiting for this thread need not wait any longer
}

void TSioPosixDispatcher::DrainOutput() {
    for (;;) {
        if (AbortRequested()) {
            ObeyAbort();
            return;
        }
        if (Killed()) return;
        const std::span<const std::uint8_t> stretch = TakeOutputStretch();
        if (stretch.empty() || !SendStretch(stretch)) return;
    }
}

bool TSioPosixDispatcher::SendStretch(std::span<const std::uint8_t> stretch) {
    const auto size = static_cast<std::uint32_t>(stretch.size());
    // Nothing takes bytes for a device that has gone, and the senders hear of it: drop them.
    if (DeviceLostError() != 0) {
        AdvanceOutput(size);
        return true;
    }
    std::int32_t written;
    int error = 0;
    {
        std::shared_lock use(deviceUse_);
        if (!device_.IsOpen()) return false;
        written = device_.Write(stretch.data(), size, &error);
    }
    if (written > 0) {
        AdvanceOutput(static_cast<std::uint32_t>(written));
        return true;
    }
    if (written < 0) {  // the device refused the bytes: they are dropped
        if (SioDeviceGoneErrno(error)) NoteDeviceLost(error);
        AdvanceOutput(size);
        return true;
    }
    switch (WaitWritable()) {
        case WriteWait::Room:
            return true;
        case WriteWait::Woken:
            return true;  // the loop looks at abort and kill, then tries again
        case WriteWait::Gone:
            AdvanceOutput(size);
            return true;
    }
    return false;
}

TSioPosixDispatcher::WriteWait TSioPosixDispatcher::WaitWritable() {
    std::shared_lock use(deviceUse_);
    if (!device_.IsOpen() || !outWake_.IsOpen()) return WriteWait::Woken;
    pollfd fds[2] = {{device_.Fd(), POLLOUT, 0}, {outWake_.PollFd(), POLLIN, 0}};
    if (!PollForever(fds, 2)) return WriteWait::Gone;
    if (fds[1].revents != 0) {
        outWake_.Drain();
        return WriteWait::Woken;
    }
    if (fds[0].revents & kGone) {
        NoteDeviceLost(device_.HangUpError());
        return WriteWait::Gone;
    }
    return WriteWait::Room;
}

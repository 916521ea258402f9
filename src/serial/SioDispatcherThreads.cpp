#include <algorithm>
#include <exception>

#include "SioBaseDispatcher.h"
#include "SioExcept.h"

namespace {
constexpr std::chrono::milliseconds StartAckLimit{3000};
constexpr std::chrono::milliseconds DispatcherWake{50};
// The longest sleep of an idle dispatcher thread; every wait has a limit.
constexpr std::chrono::milliseconds DispatcherSleep{std::chrono::hours(1)};
constexpr std::chrono::milliseconds DispatcherStopLimit{36 * 55};  // 36 ticks
constexpr std::chrono::milliseconds PumpInterval{5};

int Index(TSioWorker worker) {
    return static_cast<int>(worker);
}
}  // namespace

void TSioBaseDispatcher::StartThreads() {
    std::lock_guard control(threadControl_);
    {
        std::lock_guard guard(stateLock_);
        if (threadsStarted_) throw ESioException("Dispatcher already started");
        threadsStarted_ = true;
        kill_ = false;
    }
    // A thread that starts late is still used; the waits only give each one its turn.
    LaunchWorker(TSioWorker::Com, [this] { RunComThread(); });
    acknowledge_.WaitFor(StartAckLimit);
    LaunchWorker(TSioWorker::Disp, [this] { RunDispThread(); });
    acknowledge_.WaitFor(StartAckLimit);
    LaunchWorker(TSioWorker::Out, [this] { RunOutThread(); });
    acknowledge_.WaitFor(StartAckLimit);
}

void TSioBaseDispatcher::StopThreads() {
    // The state lock is not held while waiting: the dispatcher thread may need it to finish
    // the pass it is in.
    std::lock_guard control(threadControl_);
    if (!threadsStarted_) return;
    kill_ = true;
    auto gone = [this](TSioWorker worker) {
        return [this, worker] { return !present_[Index(worker)]; };
    };
    const auto noLimit = std::chrono::milliseconds::max();
    WakeDispatcher();  // it may sleep until its next timer
    if (present_[Index(TSioWorker::Out)]) {
        outputAbort_.Set();
        PumpUntil(gone(TSioWorker::Out), noLimit);
    }
    if (present_[Index(TSioWorker::Com)]) {
        WakeDeviceWait();
        commEventDone_.Set();
        acknowledge_.ResetEvent();
        PumpUntil(gone(TSioWorker::Com), noLimit);
    }
    if (present_[Index(TSioWorker::Disp)]) {
        PumpUntil(gone(TSioWorker::Disp), DispatcherStopLimit);
        if (present_[Index(TSioWorker::Disp)]) {
            commEventReady_.Set();
            PumpUntil(gone(TSioWorker::Disp), DispatcherStopLimit);
        }
        // A handler still running on another thread holds it; it ends once that returns.
        PumpUntil(gone(TSioWorker::Disp), noLimit);
    }
    eventsValid_ = false;
}

void TSioBaseDispatcher::LaunchWorker(TSioWorker worker, std::function<void()> body) {
    const int i = Index(worker);
    std::thread previous;
    {
        std::lock_guard guard(threadLock_);
        if (threads_[i].joinable()) {
            if (threads_[i].get_id() == std::this_thread::get_id())
                threads_[i].detach();
            else
                previous = std::move(threads_[i]);
        }
    }
    if (previous.joinable()) previous.join();  // it has already run ThreadEnded
    std::lock_guard guard(threadLock_);
    present_[i] = true;
    ++runningThreads_;
    threads_[i] = std::thread([this, worker, body = std::move(body)] {
        try {
            body();
        } catch (const std::exception& e) {
            std::lock_guard errorGuard(threadLock_);
            lastThreadError_ = e.what();
        } catch (...) {
            std::lock_guard errorGuard(threadLock_);
            lastThreadError_ = "Unknown exception in a serial worker thread";
        }
        ThreadEnded(worker);
    });
}

void TSioBaseDispatcher::ThreadEnded(TSioWorker worker) {
    {
        std::lock_guard guard(threadLock_);
        present_[Index(worker)] = false;
    }
    // A device-event wait that failed leaves the port open without device events: from now on
    // the dispatcher thread looks at the device on its own, every 50 ms.
    if (worker == TSioWorker::Com && !kill_) {
        deviceWaitEnded_ = true;
        WakeDispatcher();
    }
    threadChanged_.notify_all();
    // Whatever happens while releasing, the thread must still be counted out below.
    if (worker == TSioWorker::Disp && releaseWhenDispEnds_.exchange(false)) {
        try {
            ReleasePort();
        } catch (const std::exception& e) {
            std::lock_guard guard(threadLock_);
            lastThreadError_ = e.what();
        }
    }
    std::lock_guard guard(threadLock_);
    if (--runningThreads_ == 0) threadsStarted_ = false;
    threadChanged_.notify_all();
}

bool TSioBaseDispatcher::WorkerPresent(TSioWorker worker) const {
    return present_[Index(worker)];
}

std::thread::native_handle_type TSioBaseDispatcher::WorkerHandle(TSioWorker worker) {
    std::lock_guard guard(threadLock_);
    auto& thread = threads_[Index(worker)];
    return present_[Index(worker)] && thread.joinable() ? thread.native_handle()
                                                        : std::thread::native_handle_type{};
}

std::string TSioBaseDispatcher::LastThreadError() {
    std::lock_guard guard(threadLock_);
    return lastThreadError_;
}

void TSioBaseDispatcher::PumpUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (TSioNotifier::PumpCallingThread()) continue;
        if (limit != std::chrono::milliseconds::max() &&
            std::chrono::steady_clock::now() - start >= limit)
            return;
        std::unique_lock guard(threadLock_);
        threadChanged_.wait_for(guard, PumpInterval);
    }
}

std::uint32_t TSioBaseDispatcher::NextWakeMs() {
    std::lock_guard guard(stateLock_);
    std::uint32_t wait = static_cast<std::uint32_t>(DispatcherSleep.count());
    // Without device events, and after a fill that found the input ring full, the device is
    // looked at every 50 ms: the driver may hold more, and whatever the application takes
    // outside a receive notification makes room without waking this thread, even between
    // that fill and this look.
    if (deviceWaitEnded_ || inputHeldBack_)
        wait = static_cast<std::uint32_t>(DispatcherWake.count());
    // These conditions change without a device event: the modem lines are looked at, the line
    // errors read and the output ring measured on every pass.
    for (const auto& t : statusTriggers_)
        if (t.Armed && t.Kind >= sio::StatusModem && t.Kind <= sio::StatusOutUsed)
            wait = static_cast<std::uint32_t>(DispatcherWake.count());
    const std::uint32_t now = clock_->NowMs();
    for (const auto& t : timers_)
        if (t.Active) wait = std::min(wait, t.Timer.MsUntilExpired(now));
    return wait;
}

void TSioBaseDispatcher::WakeUnlessDispatching() {
    // During a delivery the dispatcher thread looks at every trigger again before it sleeps.
    if (!dispatchInProgress_) WakeDispatcher();
}

void TSioBaseDispatcher::RunDispThread() {
    acknowledge_.Set();
    do {
        clock_->WaitFor(commEventReady_, NextWakeMs());
        if (kill_) break;
        ServicePass();
        TimerPass();
    } while (!kill_ && !closePending_);
    acknowledge_.Set();
    // A close requested inside a handler is finished here; any other close is finished by the
    // thread that asked for it, which waits for this one to end.
    releaseWhenDispEnds_ = closePending_.load();
}

bool TSioBaseDispatcher::OnWorkerThread() {
    std::lock_guard guard(threadLock_);
    for (const auto& thread : threads_)
        if (thread.get_id() == std::this_thread::get_id()) return true;
    return false;
}

void TSioBaseDispatcher::WaitForThreadsToEnd() {
    if (!OnWorkerThread())
        PumpUntil([this] { return runningThreads_ == 0; }, std::chrono::milliseconds::max());
}

void TSioBaseDispatcher::SetPriorityBoost(int boost) {
    std::lock_guard guard(stateLock_);
    if (boost == boost_) return;
    boost_ = boost;
    SetWorkerPriority(TSioWorker::Com, boost + 3);
    SetWorkerPriority(TSioWorker::Disp, boost + 3);
    SetWorkerPriority(TSioWorker::Out, boost + (rs485_ ? 4 : 3));
}

int TSioBaseDispatcher::PriorityBoost() const {
    std::lock_guard guard(stateLock_);
    return boost_;
}

void TSioBaseDispatcher::SetWorkerPriority(TSioWorker, int) {}

#include "SioMessageLoop.h"

#include <atomic>

#include "SyncEvent.h"

// The state a blocked sender shares with the owner thread. The message leaves Queued exactly
// once: taken to run by the owner, or given up by its sender or the loop's end.
struct TSioMessageLoop::TPendingSend {
    enum class State { Queued, Running, Done, Abandoned };
    std::atomic<State> state{State::Queued};
    std::intptr_t result = 0;  // written before the state becomes Done
    SyncEvent finished{SyncEvent::Reset::Manual};

    bool Leave(State to) {
        State queued = State::Queued;
        return state.compare_exchange_strong(queued, to, std::memory_order_acq_rel);
    }
    void Finish(State final) {
        state.store(final, std::memory_order_release);
        finished.Set();
    }
};

TSioMessageLoop::TSioMessageLoop(TSioWindowProc procedure, std::function<void()> queued)
    : TSioNotifier(std::move(procedure)), queued_(std::move(queued)) {}

TSioMessageLoop::~TSioMessageLoop() {
    // Senders still waiting learn at once that their message will never run.
    std::lock_guard guard(lock_);
    for (auto& entry : queue_)
        if (entry.send) entry.send->Finish(TPendingSend::State::Abandoned);
}

bool TSioMessageLoop::Post(const TSioMessage& message) {
    {
        std::lock_guard guard(lock_);
        if (queue_.size() >= MaxPending) return false;
        queue_.push_back({message, nullptr});
    }
    arrived_.notify_all();
    if (queued_) queued_();
    return true;
}

std::optional<std::intptr_t> TSioMessageLoop::Send(const TSioMessage& message,
                                                   std::chrono::milliseconds timeout) {
    if (OnOwnerThread()) return Deliver(message);
    auto send = std::make_shared<TPendingSend>();
    {
        std::lock_guard guard(lock_);
        if (queue_.size() >= MaxPending) return std::nullopt;
        queue_.push_back({message, send});
    }
    arrived_.notify_all();
    if (queued_) queued_();
    send->finished.WaitFor(timeout);
    // Gave up: a message not yet taken is dropped; one already running finishes on its own.
    if (send->Leave(TPendingSend::State::Abandoned)) return std::nullopt;
    if (send->state.load(std::memory_order_acquire) == TPendingSend::State::Done)
        return send->result;
    return std::nullopt;
}

bool TSioMessageLoop::TakeNext(TEntry& entry) {
    std::lock_guard guard(lock_);
    while (!queue_.empty()) {
        entry = std::move(queue_.front());
        queue_.pop_front();
        if (!entry.send || entry.send->Leave(TPendingSend::State::Running)) return true;
    }
    return false;
}

bool TSioMessageLoop::PumpOne() {
    TEntry entry;
    if (!TakeNext(entry)) return false;
    std::intptr_t result = 0;
    try {
        result = Deliver(entry.message);
    } catch (...) {
        if (entry.send) entry.send->Finish(TPendingSend::State::Abandoned);
        throw;
    }
    if (entry.send) {
        entry.send->result = result;
        entry.send->Finish(TPendingSend::State::Done);
    }
    return true;
}

bool TSioMessageLoop::WaitAndPumpOne(std::chrono::milliseconds limit) {
    {
        std::unique_lock guard(lock_);
        if (!arrived_.wait_for(guard, limit, [this] { return !queue_.empty() || quit_; }))
            return false;
    }
    return PumpOne();
}

void TSioMessageLoop::Run() {
    for (;;) {
        {
            std::unique_lock guard(lock_);
            arrived_.wait(guard, [this] { return !queue_.empty() || quit_; });
            if (quit_ && queue_.empty()) {
                quit_ = false;
                return;
            }
        }
        PumpOne();
    }
}

void TSioMessageLoop::Quit() {
    {
        std::lock_guard guard(lock_);
        quit_ = true;
    }
    arrived_.notify_all();
}

std::size_t TSioMessageLoop::PendingCount() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

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
    Arrived();
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
    Arrived();
    send->finished.WaitFor(timeout);
    // Gave up: a message not yet taken is dropped; one already running finishes on its own.
    if (send->Leave(TPendingSend::State::Abandoned)) return std::nullopt;
    if (send->state.load(std::memory_order_acquire) == TPendingSend::State::Done)
        return send->result;
    return std::nullopt;
}

void TSioMessageLoop::Arrived() {
    arrived_.Set();
    if (queued_) queued_();
}

bool TSioMessageLoop::WaitForWork(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (!queue_.empty() || quit_) return true;
        }
        // A signal left over from a message already delivered only sends this round again.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) return false;
        arrived_.WaitFor(left);
    }
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
    if (!WaitForWork(std::chrono::steady_clock::now() + limit)) return false;
    return PumpOne();
}

void TSioMessageLoop::Run() {
    for (;;) {
        while (!WaitForWork(std::chrono::steady_clock::now() + std::chrono::hours(1))) {
        }
        {
            std::lock_guard guard(lock_);
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
    arrived_.Set();
}

std::size_t TSioMessageLoop::PendingCount() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

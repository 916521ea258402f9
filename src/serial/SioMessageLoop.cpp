#include "SioMessageLoop.h"

// The state a blocked sender shares with the owner thread.
struct TSioMessageLoop::TPendingSend {
    enum class State { Queued, Running, Done, Abandoned };
    std::mutex lock;
    std::condition_variable finished;
    State state = State::Queued;
    std::intptr_t result = 0;
};

TSioMessageLoop::TSioMessageLoop(TSioWindowProc procedure, std::function<void()> queued)
    : TSioNotifier(std::move(procedure)), queued_(std::move(queued)) {}

TSioMessageLoop::~TSioMessageLoop() {
    // Senders still waiting learn at once that their message will never run.
    std::lock_guard guard(lock_);
    for (auto& entry : queue_) {
        if (!entry.send) continue;
        std::lock_guard sendGuard(entry.send->lock);
        entry.send->state = TPendingSend::State::Abandoned;
        entry.send->finished.notify_all();
    }
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
    std::unique_lock sendLock(send->lock);
    const bool done = send->finished.wait_for(sendLock, timeout, [&] {
        return send->state == TPendingSend::State::Done ||
               send->state == TPendingSend::State::Abandoned;
    });
    if (done && send->state == TPendingSend::State::Done) return send->result;
    // Gave up: a message not yet taken is dropped; one already running finishes on its own.
    if (send->state == TPendingSend::State::Queued) send->state = TPendingSend::State::Abandoned;
    return std::nullopt;
}

bool TSioMessageLoop::TakeNext(TEntry& entry) {
    std::lock_guard guard(lock_);
    while (!queue_.empty()) {
        entry = std::move(queue_.front());
        queue_.pop_front();
        if (!entry.send) return true;
        std::lock_guard sendGuard(entry.send->lock);
        if (entry.send->state == TPendingSend::State::Queued) {
            entry.send->state = TPendingSend::State::Running;
            return true;
        }
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
        if (entry.send) {
            std::lock_guard sendGuard(entry.send->lock);
            entry.send->state = TPendingSend::State::Abandoned;
            entry.send->finished.notify_all();
        }
        throw;
    }
    if (entry.send) {
        std::lock_guard sendGuard(entry.send->lock);
        entry.send->result = result;
        entry.send->state = TPendingSend::State::Done;
        entry.send->finished.notify_all();
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

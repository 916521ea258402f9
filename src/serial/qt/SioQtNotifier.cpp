#include "SioQtNotifier.h"

#include <QCoreApplication>
#include <QEvent>
#include <condition_variable>

#include "SioExceptionDisplay.h"

namespace {

// One posted event per queued message; it only says "take the next one".
const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

// What a blocked sender shares with the GUI thread.
struct TSioQtNotifier::TWaiter {
    enum class State { Queued, Running, Done, Abandoned };
    std::mutex lock;
    std::condition_variable finished;
    State state = State::Queued;
    std::intptr_t result = 0;

    void Finish(State final, std::intptr_t value = 0) {
        std::lock_guard guard(lock);
        state = final;
        result = value;
        finished.notify_all();
    }
};

TSioQtNotifier::TSioQtNotifier(TSioWindowProc procedure) : TSioNotifier(std::move(procedure)) {}

TSioQtNotifier::~TSioQtNotifier() {
    // Senders still waiting learn at once that their message will never run.
    std::lock_guard guard(lock_);
    for (auto& entry : queue_)
        if (entry.waiter) entry.waiter->Finish(TWaiter::State::Abandoned);
    queue_.clear();
}

void TSioQtNotifier::Enqueue(TEntry entry) {
    {
        std::lock_guard guard(lock_);
        queue_.push_back(std::move(entry));
    }
    QCoreApplication::postEvent(this, new QEvent(WakeEvent));
}

bool TSioQtNotifier::Post(const TSioMessage& message) {
    Enqueue({message, nullptr});
    return true;
}

std::optional<std::intptr_t> TSioQtNotifier::Send(const TSioMessage& message,
                                                  std::chrono::milliseconds timeout) {
    if (OnOwnerThread()) {
        std::exception_ptr error;
        const std::intptr_t result = DeliverContained(message, error);
        ShowSioException(error);
        return result;
    }
    auto waiter = std::make_shared<TWaiter>();
    Enqueue({message, waiter});
    std::unique_lock guard(waiter->lock);
    waiter->finished.wait_for(guard, timeout, [&] {
        return waiter->state == TWaiter::State::Done || waiter->state == TWaiter::State::Abandoned;
    });
    if (waiter->state == TWaiter::State::Done) return waiter->result;
    // Gave up: a message not yet taken is dropped; one already running finishes unheard.
    if (waiter->state == TWaiter::State::Queued) waiter->state = TWaiter::State::Abandoned;
    return std::nullopt;
}

bool TSioQtNotifier::TakeNext(TEntry& entry) {
    std::lock_guard guard(lock_);
    while (!queue_.empty()) {
        entry = std::move(queue_.front());
        queue_.pop_front();
        if (!entry.waiter) return true;
        std::lock_guard waiterGuard(entry.waiter->lock);
        if (entry.waiter->state == TWaiter::State::Queued) {
            entry.waiter->state = TWaiter::State::Running;
            return true;
        }
    }
    return false;
}

std::intptr_t TSioQtNotifier::DeliverContained(const TSioMessage& message,
                                               std::exception_ptr& error) {
    try {
        return Deliver(message);
    } catch (...) {
        error = std::current_exception();
        return 0;
    }
}

// The sender is released before an exception is shown: the display may run a modal box for
// longer than any sender waits.
void TSioQtNotifier::Run(const TEntry& entry) {
    std::exception_ptr error;
    const std::intptr_t result = DeliverContained(entry.message, error);
    if (entry.waiter) entry.waiter->Finish(TWaiter::State::Done, result);
    ShowSioException(error);
}

bool TSioQtNotifier::PumpOne() {
    TEntry entry;
    if (!TakeNext(entry)) return false;
    Run(entry);
    return true;
}

void TSioQtNotifier::customEvent(QEvent* event) {
    if (event->type() == WakeEvent) PumpOne();
}

std::size_t TSioQtNotifier::PendingCount() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

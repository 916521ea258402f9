#include "SyncEvent.h"

void SyncEvent::Set() {
    // Anyone asleep on it saw it unset; when it is already set, nobody sleeps on it.
    if (set_.load(std::memory_order_acquire)) return;
    {
        std::lock_guard lock(mutex_);
        set_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
}

void SyncEvent::ResetEvent() {
    set_.store(false, std::memory_order_release);
}

bool SyncEvent::Take() {
    if (!set_.load(std::memory_order_acquire)) return false;
    if (manual_) return true;
    // Two waiters may see it set at once; only one takes it.
    return set_.exchange(false, std::memory_order_acq_rel);
}

bool SyncEvent::WaitFor(std::chrono::milliseconds limit) {
    if (Take()) return true;
    if (limit <= std::chrono::milliseconds::zero()) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex_);
    for (;;) {
        // Set stores under the lock, so a Set between this look and the sleep still wakes it.
        if (Take()) return true;
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) return Take();
    }
}

#include "SyncEvent.h"

void SyncEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void SyncEvent::ResetEvent() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool SyncEvent::WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, limit, [this] { return set_; })) return false;
    if (!manual_) set_ = false;
    return true;
}

bool SyncEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

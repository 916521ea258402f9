#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// A signal between threads that stays set until a waiter takes it (auto reset) or until it is
// reset by hand (manual reset). Every wait has a limit.
//
// Looking at the event costs no system call: a set event is taken, and an unset one reported,
// without blocking; only a wait that has to sleep enters the kernel. Setting an event nobody
// waits for does not enter it either.
class SyncEvent {
  public:
    enum class Reset { Auto, Manual };

    explicit SyncEvent(Reset reset = Reset::Auto) : manual_(reset == Reset::Manual) {}
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    void Set();
    void ResetEvent();
    // True when the event was set within the limit (an auto-reset event is then cleared). A
    // limit of zero only looks.
    bool WaitFor(std::chrono::milliseconds limit);
    bool IsSet() const { return set_.load(std::memory_order_acquire); }

  private:
    // Takes the event if it is set: clears an auto-reset one, leaves a manual one set.
    bool Take();

    std::mutex mutex_;  // held by waiters between looking and sleeping, and by Set
    std::condition_variable changed_;
    std::atomic<bool> set_{false};
    const bool manual_;
};

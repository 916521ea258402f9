#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#if !defined(__linux__)
#include <condition_variable>
#include <mutex>
#endif

// A signal between threads that stays set until a waiter takes it (auto reset) or until it is
// reset by hand (manual reset). Every wait has a limit.
//
// Looking at the event costs no system call: a set event is taken, and an unset one reported,
// without blocking; only a wait that has to sleep enters the kernel, and a Set only when
// someone sleeps. On Linux a sleeping waiter sleeps on the event's own word (a futex), so being
// woken costs that one wake-up and nothing more.
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
    bool IsSet() const { return set_.load(std::memory_order_acquire) != 0; }

  private:
    // Takes the event if it is set: clears an auto-reset one, leaves a manual one set.
    bool Take();
    // Sleeps while the event is unset, at most until `deadline` (woken early by Set).
    void Sleep(std::chrono::steady_clock::time_point deadline);
    void WakeSleepers();

    // 1 while set. On Linux the sleepers wait on this word itself.
    std::atomic<std::uint32_t> set_{0};
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free);
    // Threads between announcing that they will sleep and having woken: Set wakes only when
    // there are some.
    std::atomic<std::uint32_t> sleepers_{0};
    const bool manual_;
#if !defined(__linux__)
    std::mutex mutex_;
    std::condition_variable changed_;
#endif
};

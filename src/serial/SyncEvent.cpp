#include "SyncEvent.h"

#if defined(__linux__)
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#endif

void SyncEvent::Set() {
    // A second Set before the take is the same signal. Both this exchange and a sleeper's
    // announcement are sequentially consistent: either the sleeper sees the event set before it
    // sleeps, or this sees the sleeper and wakes it.
    if (set_.exchange(1, std::memory_order_seq_cst) != 0) return;
    if (sleepers_.load(std::memory_order_seq_cst) != 0) WakeSleepers();
}

void SyncEvent::ResetEvent() {
    set_.store(0, std::memory_order_release);
}

bool SyncEvent::Take() {
    if (set_.load(std::memory_order_seq_cst) == 0) return false;
    if (manual_) return true;
    // Two waiters may see it set at once; only one takes it.
    return set_.exchange(0, std::memory_order_acq_rel) != 0;
}

bool SyncEvent::WaitFor(std::chrono::milliseconds limit) {
    if (Take()) return true;
    if (limit <= std::chrono::milliseconds::zero()) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    sleepers_.fetch_add(1, std::memory_order_seq_cst);
    bool taken = false;
    for (;;) {
        if ((taken = Take())) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            taken = Take();
            break;
        }
        Sleep(deadline);
    }
    sleepers_.fetch_sub(1, std::memory_order_release);
    return taken;
}

#if defined(__linux__)

void SyncEvent::Sleep(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    timespec timeout{};
    timeout.tv_sec = static_cast<std::time_t>(seconds.count());
    timeout.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count());
    // Returns when woken, when the word is no longer 0 (set meanwhile), at the limit, or on a
    // signal; the caller looks again in every case.
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&set_), FUTEX_WAIT_PRIVATE, 0, &timeout,
              nullptr, 0);
}

void SyncEvent::WakeSleepers() {
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&set_), FUTEX_WAKE_PRIVATE, INT_MAX,
              nullptr, nullptr, 0);
}

#else

void SyncEvent::Sleep(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    // Set changes the word before it takes the lock to wake, so looking under the lock cannot
    // miss it.
    if (set_.load(std::memory_order_seq_cst) != 0) return;
    changed_.wait_until(lock, deadline);
}

void SyncEvent::WakeSleepers() {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

#endif

#pragma once

#include <atomic>
#include <chrono>
#include <thread>

// Measures how quickly the GUI thread answers: a thread of its own posts a small task to the Qt
// event loop every 20 ms and records the longest wait before one of them ran (a task that never
// runs counts from when it was posted).
class GuiWatchdog {
  public:
    GuiWatchdog();
    ~GuiWatchdog();
    GuiWatchdog(const GuiWatchdog&) = delete;
    GuiWatchdog& operator=(const GuiWatchdog&) = delete;

    std::chrono::milliseconds LongestWait() const;

  private:
    using Clock = std::chrono::steady_clock;
    static long long NowMs();

    std::atomic<bool> stop_{false};
    std::atomic<long long> pendingSinceMs_{-1};  // the task posted and not yet run, if any
    std::atomic<long long> longestMs_{0};
    std::thread thread_;
};

// The resident size of this process in MiB.
double ResidentMiB();

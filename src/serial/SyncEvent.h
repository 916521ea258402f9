#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A signal between threads that stays set until a waiter takes it (auto reset) or until it is
// reset by hand (manual reset). Every wait has a limit.
class SyncEvent {
  public:
    enum class Reset { Auto, Manual };

    explicit SyncEvent(Reset reset = Reset::Auto) : manual_(reset == Reset::Manual) {}
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    void Set();
    void ResetEvent();
    // True when the event was set within the limit (an auto-reset event is then cleared).
    bool WaitFor(std::chrono::milliseconds limit);
    bool IsSet() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
    bool manual_;
};

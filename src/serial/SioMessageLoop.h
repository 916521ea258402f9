#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "SioNotifier.h"
#include "SyncEvent.h"

// A plain message queue for programs and tests without a GUI: the thread that creates it owns
// it and runs its messages through PumpOne, WaitAndPumpOne or Run. The queue is bounded: when
// MaxPending messages wait, Post refuses the new message (false) and Send gives up at once.
class TSioMessageLoop final : public TSioNotifier {
  public:
    static constexpr std::size_t MaxPending = 4096;

    // `queued`, when given, runs after every message was queued, on the queuing thread (a window
    // system's loop uses it to wake its owner thread).
    explicit TSioMessageLoop(TSioWindowProc procedure = {}, std::function<void()> queued = {});
    ~TSioMessageLoop() override;

    bool Post(const TSioMessage& message) override;
    std::optional<std::intptr_t> Send(const TSioMessage& message,
                                      std::chrono::milliseconds timeout) override;
    bool PumpOne() override;

    // Owner thread: waits at most `limit` for a message and delivers it.
    bool WaitAndPumpOne(std::chrono::milliseconds limit);
    // Owner thread: delivers messages until Quit is called (from any thread or a procedure).
    void Run();
    void Quit();

    std::size_t PendingCount() const;

  private:
    struct TPendingSend;
    struct TEntry {
        TSioMessage message;
        std::shared_ptr<TPendingSend> send;  // empty for posted messages
    };

    bool TakeNext(TEntry& entry);
    // Called after a message was queued or Quit was asked for.
    void Arrived();
    // Owner thread: true once a message waits or Quit was asked for, false at `deadline`.
    bool WaitForWork(std::chrono::steady_clock::time_point deadline);

    mutable std::mutex lock_;
    // Set whenever a message was queued or Quit called: only the owner thread waits on it, and
    // a queuing thread enters the kernel only when the owner sleeps.
    SyncEvent arrived_;
    std::deque<TEntry> queue_;
    bool quit_ = false;
    std::function<void()> queued_;
};

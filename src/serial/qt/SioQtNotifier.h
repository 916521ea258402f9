#pragma once

#include <QObject>
#include <deque>
#include <memory>
#include <mutex>

#include "SioNotifier.h"

// The notification target of a port in a Qt program: an object living in the thread that
// created it (the GUI thread). Worker threads queue messages; each one wakes the object through
// a posted Qt event and is handled there by the procedure, one at a time. A sender that stops
// waiting takes its message back: a message whose sender gave up is never delivered late. An
// exception escaping the procedure is shown through the program's exception display and goes
// no further.
class TSioQtNotifier final : public QObject, public TSioNotifier {
    Q_OBJECT
  public:
    explicit TSioQtNotifier(TSioWindowProc procedure);
    ~TSioQtNotifier() override;

    bool Post(const TSioMessage& message) override;
    std::optional<std::intptr_t> Send(const TSioMessage& message,
                                      std::chrono::milliseconds timeout) override;
    bool PumpOne() override;

    std::size_t PendingCount() const;

  protected:
    void customEvent(QEvent* event) override;

  private:
    struct TWaiter;
    struct TEntry {
        TSioMessage message;
        std::shared_ptr<TWaiter> waiter;  // empty for posted messages
    };

    void Enqueue(TEntry entry);
    bool TakeNext(TEntry& entry);
    void Run(const TEntry& entry);
    std::intptr_t DeliverContained(const TSioMessage& message, std::exception_ptr& error);

    mutable std::mutex lock_;
    std::deque<TEntry> queue_;
};

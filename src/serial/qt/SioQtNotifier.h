#pragma once

#include <QObject>

#include "SioMessageLoop.h"

// The notification target of a port in a Qt program: an object living in the thread that
// created it (the GUI thread). Worker threads queue messages in a bounded queue; each one wakes
// the object through a posted Qt event and is handled there by the procedure, one at a time. A
// sender that stops waiting takes its message back: a message whose sender gave up is never
// delivered late. An exception escaping the procedure is shown through the program's exception
// display and goes no further.
class TSioQtNotifier final : public QObject, public TSioNotifier {
    Q_OBJECT
  public:
    explicit TSioQtNotifier(TSioWindowProc procedure);

    bool Post(const TSioMessage& message) override;
    std::optional<std::intptr_t> Send(const TSioMessage& message,
                                      std::chrono::milliseconds timeout) override;
    bool PumpOne() override;

    std::size_t PendingCount() const { return queue_.PendingCount(); }

  protected:
    void customEvent(QEvent* event) override;

  private:
    // The queue and its waiting senders; its procedure is this notifier's.
    TSioMessageLoop queue_;
};

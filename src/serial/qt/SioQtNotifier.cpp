#include "SioQtNotifier.h"

#include <QCoreApplication>
#include <QEvent>

#include "SioExceptionDisplay.h"

namespace {

// One posted event per queued message; it only says "take the next one".
const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

TSioQtNotifier::TSioQtNotifier(TSioWindowProc procedure)
    : TSioNotifier(std::move(procedure)),
      queue_([this](const TSioMessage& message) { return Deliver(message); },
             [this] { QCoreApplication::postEvent(this, new QEvent(WakeEvent)); }) {}

bool TSioQtNotifier::Post(const TSioMessage& message) {
    return queue_.Post(message);
}

std::optional<std::intptr_t> TSioQtNotifier::Send(const TSioMessage& message,
                                                  std::chrono::milliseconds timeout) {
    if (!OnOwnerThread()) return queue_.Send(message, timeout);
    try {
        return Deliver(message);
    } catch (...) {
        ShowSioException(std::current_exception());
        return 0;
    }
}

// A failing procedure has already released its sender when the exception arrives here, so the
// display (perhaps a modal box) keeps no worker thread waiting.
bool TSioQtNotifier::PumpOne() {
    try {
        return queue_.PumpOne();
    } catch (...) {
        ShowSioException(std::current_exception());
        return true;
    }
}

void TSioQtNotifier::customEvent(QEvent* event) {
    if (event->type() == WakeEvent) PumpOne();
}

#include <chrono>
#include <mutex>
#include <thread>

#include "SioDispatcherRegistry.h"
#include "SioExceptionDisplay.h"
#include "SioPort.h"

// The port's notification window: every event of the port runs here, on the thread that
// opened it, one message at a time.

namespace {

std::uint16_t Low(std::uintptr_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

bool IsPortMessage(std::uint32_t msg) {
    return msg == sio::TriggerMsgAvail || msg == sio::TriggerMsgData ||
           msg == sio::TriggerMsgTimer || msg == sio::TriggerMsgStatus ||
           msg == sio::PortMsgClosing;
}

}  // namespace

std::intptr_t TSioCustomComPort::WindowProc(unsigned notifierId, const TSioMessage& message) {
    if (!IsPortMessage(message.Msg)) return 0;
    delivering_.push_back(notifierId);
    try {
        const std::uint32_t handle = (static_cast<std::uintptr_t>(message.LParam) >> 16) & 0xFFFF;
        TSioBaseDispatcher* dispatcher = nullptr;
        {
            // The message must come from this port's own, still living dispatcher: a slot
            // emptied or taken by another port's dispatcher since then means a stale message.
            std::lock_guard guard(DispatcherRegistry().Lock());
            dispatcher = DispatcherRegistry().At(handle);
            if (dispatcher != dispatcher_.get()) dispatcher = nullptr;
        }
        if (dispatcher) DeliverTrigger(*dispatcher, message);
    } catch (...) {
        ShowSioException(std::current_exception());
    }
    delivering_.pop_back();
    return 0;
}

void TSioCustomComPort::DeliverTrigger(TSioBaseDispatcher& dispatcher, const TSioMessage& message) {
    const std::uint16_t w = Low(message.WParam);
    const std::uint16_t l = Low(static_cast<std::uintptr_t>(message.LParam));
    const auto msg = static_cast<std::uint16_t>(message.Msg);
    // OnTrigger hears of every message, the close-completion message included.
    if (message.Msg == sio::TriggerMsgAvail)
        DoTrigger(msg, w, w);
    else
        DoTrigger(msg, w, l);
    if (dispatcher_.get() != &dispatcher) return;
    switch (message.Msg) {
        case sio::PortMsgClosing:
            FinishDeferredClose(message);
            break;
        case sio::TriggerMsgAvail:
            DoTriggerAvail(w);
            break;
        case sio::TriggerMsgData:
            DoTriggerData(w);
            break;
        case sio::TriggerMsgTimer:
            DoTriggerTimer(w);
            break;
        case sio::TriggerMsgStatus: {
            DoTriggerStatus(w);
            // A handler that closed the port and then waited in a message box may have seen
            // the close finish and the dispatcher go.
            if (dispatcher_.get() != &dispatcher) break;
            switch (dispatcher.StatusTriggerKind(w)) {
                case sio::StatusModem:
                    DoTriggerModemStatus();
                    break;
                case sio::StatusLine: {
                    const bool lineBreak = TakeBreak();
                    const std::uint16_t error = TakeLineError();
                    DoTriggerLineError(error, lineBreak);
                    break;
                }
                case sio::StatusOutFree:
                    DoTriggerOutbuffFree();
                    break;
                case sio::StatusOutUsed:
                    DoTriggerOutbuffUsed();
                    break;
                case sio::StatusOutSent:
                    DoTriggerOutSent();
                    break;
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }
}

// The dispatcher's threads must be gone before it can be destroyed; until then the message
// comes round again.
void TSioCustomComPort::FinishDeferredClose(const TSioMessage& message) {
    if (dispatcher_->ThreadsStarted()) {
        // Normally a matter of a few milliseconds; a short rest keeps the round trips from
        // occupying the processor meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        notifier_->Post(message);
        return;
    }
    FinishClose();
    if (openPending_) {
        openPending_ = false;
        DoOpen();
    }
}

void TSioCustomComPort::UpdateEventService() {
    if (state_ != TPortState::StateOpen || !dispatcher_) return;
    const bool any = OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerStatus ||
                     OnTriggerTimer || OnTriggerLineError || OnTriggerModemStatus ||
                     OnTriggerOutbuffFree || OnTriggerOutbuffUsed || OnTriggerOutSent;
    dispatcher_->RecomputeHandlerNeed(any ? 1 : 2);
}

void TSioCustomComPort::DoTrigger(std::uint16_t msg, std::uint16_t triggerHandle,
                                  std::uint16_t data) {
    OnTrigger(this, msg, triggerHandle, data);
}
void TSioCustomComPort::DoTriggerAvail(std::uint16_t count) {
    OnTriggerAvail(this, count);
}
void TSioCustomComPort::DoTriggerData(std::uint16_t handle) {
    OnTriggerData(this, handle);
}
void TSioCustomComPort::DoTriggerStatus(std::uint16_t handle) {
    OnTriggerStatus(this, handle);
}
void TSioCustomComPort::DoTriggerTimer(std::uint16_t handle) {
    OnTriggerTimer(this, handle);
}
void TSioCustomComPort::DoTriggerLineError(std::uint16_t error, bool lineBreak) {
    OnTriggerLineError(this, error, lineBreak);
}
void TSioCustomComPort::DoTriggerModemStatus() {
    OnTriggerModemStatus(this);
}
void TSioCustomComPort::DoTriggerOutbuffFree() {
    OnTriggerOutbuffFree(this);
}
void TSioCustomComPort::DoTriggerOutbuffUsed() {
    OnTriggerOutbuffUsed(this);
}
void TSioCustomComPort::DoTriggerOutSent() {
    OnTriggerOutSent(this);
}
void TSioCustomComPort::DoWaitChar(char c) {
    OnWaitChar(this, c);
}

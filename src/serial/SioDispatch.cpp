#include <algorithm>
#include <exception>

#include "SioBaseDispatcher.h"
#include "SioLogRecords.h"

namespace {
template <typename Call>
void RunHandler(Call&& call, std::string& failure) {
    // A failing handler must not stop the delivery to the others, nor leave the dispatcher
    // marked as delivering.
    try {
        call();
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "Unknown exception in a trigger handler";
    }
}
}  // namespace

bool TSioBaseDispatcher::Dispatch(std::uint32_t message, std::uint32_t trigger,
                                  std::uint32_t data) {
    if (!needService_) return true;
    const bool receive = message == sio::TriggerMsgAvail || message == sio::TriggerMsgData;
    {
        std::lock_guard state(stateLock_);
        dispatchInProgress_ = true;
    }
    {
        std::lock_guard in(inLock_);
        maxReadAhead_ = 0;
        readAhead_ = 0;
        insideReceiveDispatch_ = receive;
    }
    TSioMessage msg;
    msg.Msg = message;
    msg.WParam = trigger;
    msg.LParam =
        static_cast<std::intptr_t>((static_cast<std::uint32_t>(handle_) << 16) + (data & 0xFFFF));

    bool result = true;
    std::string failure;
    // Runs one handler with a fresh read-ahead; false when the port is closing. A handler called
    // here reads as the one being served; one run on another thread is marked there.
    auto serve = [&](auto&& call) {
        {
            std::lock_guard in(inLock_);
            readAhead_ = 0;
        }
        {
            ServingScope serving(*this);
            RunHandler(call, failure);
        }
        if (closePending_) return false;
        std::lock_guard in(inLock_);
        maxReadAhead_ = std::max(maxReadAhead_, readAhead_.load());
        return true;
    };

    for (std::size_t i = 0; result; ++i) {
        TEventHandler handler{};
        {
            std::lock_guard state(stateLock_);
            if (i >= events_.size()) break;
            handler = events_[i];
        }
        if (handler.Removed) continue;
        result = serve([&] {
            if (handler.Synchronize) {
                handler.Synchronize->Invoke(
                    [this, method = handler.Method, msg] {
                        ServingScope serving(*this);
                        method(msg);
                    },
                    sio::DispatchSendTimeout);
            } else {
                handler.Method(msg);
            }
        });
    }
    for (std::size_t i = 0; result; ++i) {
        TProcHandler handler{};
        {
            std::lock_guard state(stateLock_);
            if (i >= procs_.size()) break;
            handler = procs_[i];
        }
        if (!handler.Removed) result = serve([&] { handler.Procedure(msg); });
    }
    bool toWindows = false;
    {
        std::lock_guard state(stateLock_);
        toWindows = windows_.size() > 1 || portHandlerInstalled_;
    }
    for (std::size_t i = 0; result && toWindows; ++i) {
        TWindowHandler handler{};
        {
            std::lock_guard state(stateLock_);
            if (i >= windows_.size()) break;
            handler = windows_[i];
        }
        // A window that does not answer within the limit is given up on; the dispatch goes on
        // with the bytes counted so far.
        if (!handler.Removed) {
            TSioMessage toWindow = msg;
            toWindow.From = this;
            result = serve([&] { handler.Window->Send(toWindow, sio::DispatchSendTimeout); });
        }
    }

    {
        std::lock_guard in(inLock_);
        if (insideReceiveDispatch_) {
            insideReceiveDispatch_ = false;
            // Room made in a full ring: the driver's remaining bytes are fetched on the next pass,
            // which no device event would start.
            if (input_.Allocated() && input_.Full() && maxReadAhead_ > 0) WakeDispatcher();
            if (input_.Allocated()) input_.Consume(maxReadAhead_);
            if (result && message == sio::TriggerMsgAvail && maxReadAhead_ != trigger)
                result = false;
        }
        readAhead_ = 0;
    }
    {
        std::lock_guard state(stateLock_);
        dispatchInProgress_ = false;
        if (handlersRemoved_.exchange(false)) FreeRemovedHandlers();
    }
    if (!failure.empty()) {
        std::lock_guard guard(threadLock_);
        lastThreadError_ = failure;
    }
    return result;
}

bool TSioBaseDispatcher::ScanReceived() {
    std::vector<std::int32_t> matched;  // last created first
    bool announce = false;
    std::uint32_t announced = 0;
    {
        std::lock_guard in(inLock_);
        std::lock_guard state(stateLock_);
        if (!input_.Allocated()) return false;
        // Bytes already taken by the application are not scanned again.
        scanPosition_ = std::max(scanPosition_, input_.Tail());
        const std::uint64_t head = input_.Head();
        std::uint64_t position = scanPosition_;
        std::uint32_t longest = 0;
        bool any = false;
        // Without a data trigger to feed there is nothing to look at byte by byte.
        const bool matching = std::any_of(dataTriggers_.begin(), dataTriggers_.end(),
                                          [](const auto& t) { return t.Matcher.Length() != 0; });
        if (!matching) position = head;
        for (; position < head && !any; ++position) {
            const std::uint8_t byte = input_.At(position);
            for (auto& trigger : dataTriggers_) {
                if (trigger.Matcher.Length() == 0) continue;
                if (trigger.Matcher.Feed(byte)) trigger.Matched = true;
                if (trigger.Matched) {
                    any = true;
                    longest = std::max(longest, trigger.Matcher.Length());
                }
            }
        }
        if (any) {
            const std::uint64_t at = position - 1;  // the byte that completed a match
            const auto through = static_cast<std::int64_t>(at + 1 - input_.Tail());
            const std::int64_t before = through - longest;
            if (threshold_ > 0 && at != notifiedPosition_ && before >= threshold_) {
                announce = true;
                announced = static_cast<std::uint32_t>(before);
                notifiedPosition_ = at;
            }
            // The flags stay set until each trigger's turn: input discarded by a handler of an
            // earlier notification takes its matches with it.
            for (auto t = dataTriggers_.rbegin(); t != dataTriggers_.rend(); ++t)
                if (t->Matched) matched.push_back(t->Handle);
            scanPosition_ = at + 1;
        } else {
            scanPosition_ = head;
            const std::uint32_t count = input_.Count();
            if (threshold_ > 0 && head != notifiedPosition_ &&
                count >= static_cast<std::uint32_t>(threshold_)) {
                announce = true;
                announced = count;
                notifiedPosition_ = head;
            }
        }
    }
    bool result = false;
    if (announce) {
        Log(sio::lgTrigger, sio::lgAvail, announced);
        result = Dispatch(sio::TriggerMsgAvail, announced, 0);
        if (closePending_) return false;
    }
    for (const std::int32_t handle : matched) {
        const std::uint32_t length = TakeDataMatch(handle);
        if (length == 0) continue;  // discarded or dropped meanwhile
        Log(sio::lgTrigger, sio::lgData, static_cast<std::uint32_t>(handle));
        result = Dispatch(sio::TriggerMsgData, static_cast<std::uint32_t>(handle), length);
        if (closePending_) return false;
    }
    return result;
}

std::uint32_t TSioBaseDispatcher::TakeDataMatch(std::int32_t handle) {
    std::lock_guard state(stateLock_);
    for (auto& trigger : dataTriggers_) {
        if (trigger.Handle != handle || !trigger.Matched) continue;
        trigger.Matched = false;
        return trigger.Matcher.Length();
    }
    return 0;
}

bool TSioBaseDispatcher::StatusTriggerFires(TSioStatusTrigger& trigger, std::uint32_t& count) {
    count = 0;
    switch (trigger.Kind) {
        case sio::StatusModem:
            return (((trigger.Value & 0xFF) ^ modemStatus_) & (trigger.Value >> 8)) != 0;
        case sio::StatusLine:
            if ((trigger.Value & lineErrors_) == 0) return false;
            trigger.Value = static_cast<std::uint16_t>(lineErrors_);
            return true;
        case sio::StatusOutFree:
            count = OutputFree();
            return count >= trigger.Value;
        case sio::StatusOutUsed:
            count = OutputPending();
            return count <= trigger.Value;
        case sio::StatusOutSent:
            return outputQueued_.exchange(false);
        default:
            return false;
    }
}

bool TSioBaseDispatcher::ScanStatus() {
    std::int32_t handle = 0;
    std::uint32_t count = 0;
    {
        std::lock_guard state(stateLock_);
        auto fires = [&](TSioStatusTrigger& t) {
            return t.Armed && !t.Fired && StatusTriggerFires(t, count);
        };
        auto t = std::find_if(statusTriggers_.begin(), statusTriggers_.end(), fires);
        if (t == statusTriggers_.end()) return false;
        t->Armed = false;
        t->Fired = true;
        statusFiredThisPass_ = true;
        handle = t->Handle;
    }
    Log(sio::lgTrigger, sio::lgStatus, static_cast<std::uint32_t>(handle));
    return Dispatch(sio::TriggerMsgStatus, static_cast<std::uint32_t>(handle), count);
}

bool TSioBaseDispatcher::ScanTimers() {
    std::int32_t handle = 0;
    {
        std::lock_guard state(stateLock_);
        const std::uint32_t now = clock_->NowMs();
        auto t = std::find_if(timers_.begin(), timers_.end(), [now](const TSioTimerTrigger& t) {
            return t.Active && t.Timer.Expired(now);
        });
        if (t == timers_.end()) return false;
        t->Active = false;
        handle = t->Handle;
    }
    Log(sio::lgTrigger, sio::lgTimer, static_cast<std::uint32_t>(handle));
    return Dispatch(sio::TriggerMsgTimer, static_cast<std::uint32_t>(handle), 0);
}

void TSioBaseDispatcher::ClearFiredFlags() {
    std::lock_guard state(stateLock_);
    if (!statusFiredThisPass_) return;
    for (auto& t : statusTriggers_) t.Fired = false;
    statusFiredThisPass_ = false;
}

bool TSioBaseDispatcher::StatusLoop() {
    while (ScanStatus())
        if (closePending_) return false;
    return !closePending_;
}

void TSioBaseDispatcher::ServicePass() {
    const std::uint32_t mask = lastEventMask_.exchange(0);
    if (mask & sio::EvModemEvents) {
        NoteModemChange();
        if (!dispatchInProgress_ && !StatusLoop()) return;
        ClearFiredFlags();
    }
    if (mask & sio::EvLineEvents) {
        RefreshLineStatus();
        if (!dispatchInProgress_ && !StatusLoop()) return;
        ClearFiredFlags();
    }
    FillInput();
    if (!dispatchInProgress_) {
        {
            std::lock_guard state(stateLock_);
            modemStatus_ = ReadModemStatus(0xF0);  // keeps the change bits for the triggers
        }
        if (!StatusLoop()) return;
        while (ScanReceived())
            if (closePending_) return;
        if (closePending_) return;
    }
    ClearFiredFlags();
    commEventDone_.Set();
}

void TSioBaseDispatcher::TimerPass() {
    if (closePending_ || dispatchInProgress_) return;
    {
        std::lock_guard state(stateLock_);
        statusFiredThisPass_ = false;
    }
    while (!closePending_ && (ScanStatus() || ScanTimers())) {
    }
    ClearFiredFlags();
}

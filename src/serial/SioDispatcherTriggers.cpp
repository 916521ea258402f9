#include <algorithm>
#include <cstring>

#include "SioBaseDispatcher.h"
#include "SioErrorCodes.h"
#include "SioLogRecords.h"

namespace {
constexpr std::int32_t HandleCounterUses = 4096;  // counter × 8 for the first 4095 handles
constexpr std::int32_t HighestReusedHandle = 4096;
constexpr std::int32_t KindBits = 7;

template <typename List>
auto FindHandle(List& list, std::int32_t handle) {
    return std::find_if(list.begin(), list.end(),
                        [handle](const auto& t) { return t.Handle == handle; });
}
}  // namespace

// --- Handles ---------------------------------------------------------------------------------

bool TSioBaseDispatcher::HandleInUse(std::int32_t handle) const {
    auto same = [handle](const auto& t) { return (t.Handle & ~KindBits) == handle; };
    return std::any_of(timers_.begin(), timers_.end(), same) ||
           std::any_of(dataTriggers_.begin(), dataTriggers_.end(), same) ||
           std::any_of(statusTriggers_.begin(), statusTriggers_.end(), same);
}

std::int32_t TSioBaseDispatcher::NextTriggerHandle() {
    if (nextHandle_ < HandleCounterUses) return 8 * nextHandle_++;
    for (std::int32_t handle = 8; handle <= HighestReusedHandle; handle += 8)
        if (!HandleInUse(handle)) return handle;
    return 0;  // none left
}

// --- Creating, finding and dropping ----------------------------------------------------------

void TSioBaseDispatcher::SetAvailThreshold(std::int32_t count) {
    std::lock_guard guard(stateLock_);
    threshold_ = std::max(count, 0);
    Log(sio::lgTriggerDataChange, sio::lgAvailTrigger, static_cast<std::uint32_t>(threshold_));
    WakeUnlessDispatching();  // bytes already waiting may now be enough
}

std::int32_t TSioBaseDispatcher::AvailThreshold() const {
    std::lock_guard guard(stateLock_);
    return threshold_;
}

std::int32_t TSioBaseDispatcher::NewTimerTrigger() {
    std::lock_guard guard(stateLock_);
    const std::int32_t handle = NextTriggerHandle();
    if (handle == 0) return sio::ecNoMoreTriggers;
    timers_.push_back({handle, {}, 0, false});
    Log(sio::lgTriggerAlloc, sio::lgTimerTrigger, static_cast<std::uint32_t>(handle));
    return handle;
}

std::int32_t TSioBaseDispatcher::NewStatusTrigger(std::int32_t kind) {
    if (kind < 0 || kind >= 6) return sio::ecBadArgument;
    std::lock_guard guard(stateLock_);
    const std::int32_t handle = NextTriggerHandle() | kind;
    if (handle < 8) return sio::ecNoMoreTriggers;
    statusTriggers_.push_back({handle, kind, 0, false, false});
    const auto kindByte = static_cast<std::uint8_t>(kind);
    Log(sio::lgTriggerAlloc, sio::lgStatusTrigger, static_cast<std::uint32_t>(handle), &kindByte,
        1);
    return handle;
}

std::int32_t TSioBaseDispatcher::NewDataTrigger(const std::string& text, bool ignoreCase) {
    if (text.empty()) return sio::ecBadArgument;
    if (text.size() > TSioDataMatcher::MaxLength) return sio::ecTriggerTooLong;
    std::lock_guard guard(stateLock_);
    const std::int32_t handle = NextTriggerHandle();
    if (handle == 0) return sio::ecNoMoreTriggers;
    dataTriggers_.push_back({handle, TSioDataMatcher(text, ignoreCase), false});
    return handle;
}

std::int32_t TSioBaseDispatcher::FindTrigger(std::int32_t handle, bool remove) {
    if (handle == 0 || handle == sio::AvailTriggerHandle) return sio::ecBadTriggerHandle;
    const auto other = static_cast<std::uint32_t>(handle);
    if (auto t = FindHandle(timers_, handle); t != timers_.end()) {
        if (remove) {
            timers_.erase(t);
            Log(sio::lgTriggerDispose, sio::lgTimer, other);
        }
        return sio::ecOK;
    }
    if (auto s = FindHandle(statusTriggers_, handle); s != statusTriggers_.end()) {
        if (remove) {
            const auto kindByte = static_cast<std::uint8_t>(s->Kind);
            statusTriggers_.erase(s);
            Log(sio::lgTriggerDispose, sio::lgStatusTrigger, other, &kindByte, 1);
        }
        return sio::ecOK;
    }
    auto d = FindHandle(dataTriggers_, handle & ~KindBits);
    if (d == dataTriggers_.end()) return sio::ecBadTriggerHandle;
    if (remove) {
        Log(sio::lgTriggerDispose, sio::lgData, static_cast<std::uint32_t>(d->Handle));
        dataTriggers_.erase(d);
    }
    return sio::ecOK;
}

std::int32_t TSioBaseDispatcher::DropTrigger(std::int32_t handle) {
    std::lock_guard guard(stateLock_);
    if (handle == sio::AvailTriggerHandle) {
        threshold_ = 0;
        return sio::ecOK;
    }
    return FindTrigger(handle, true);
}

std::int32_t TSioBaseDispatcher::ArmTimerTrigger(std::int32_t handle, std::uint32_t ticks,
                                                 bool activate) {
    std::lock_guard guard(stateLock_);
    auto t = FindHandle(timers_, handle);
    if (t == timers_.end()) return sio::ecBadTriggerHandle;
    if (activate) {
        if (ticks != 0) t->Duration = ticks;
        t->Timer.Start(clock_->NowMs(), t->Duration);
        WakeUnlessDispatching();  // it may be due before the dispatcher thread would wake
        std::uint8_t data[4];
        std::memcpy(data, &ticks, sizeof data);
        Log(sio::lgTriggerDataChange, sio::lgTimerTrigger, static_cast<std::uint32_t>(handle), data,
            4);
    } else {
        Log(sio::lgTriggerDataChange, sio::lgTimerTrigger, static_cast<std::uint32_t>(handle));
    }
    t->Active = activate;
    return sio::ecOK;
}

std::int32_t TSioBaseDispatcher::ArmStatusTrigger(std::int32_t handle, std::uint16_t value,
                                                  bool activate) {
    std::lock_guard guard(stateLock_);
    auto s = FindHandle(statusTriggers_, handle);
    if (s == statusTriggers_.end()) return sio::ecBadTriggerHandle;
    if (activate) {
        switch (s->Kind) {
            case sio::StatusModem: {
                const auto mask = static_cast<std::uint8_t>(value);
                s->Value = static_cast<std::uint16_t>((mask << 8) | (mask & modemStatus_));
                break;
            }
            case sio::StatusLine:
                // Option bits 1, 2, 4, 8 name overrun, parity, framing and break.
                s->Value = static_cast<std::uint16_t>((value & 0x0F) << 1);
                break;
            case sio::StatusOutFree:
            case sio::StatusOutUsed:
                s->Value = value;
                break;
            default:
                break;
        }
    }
    const std::uint8_t data[4] = {
        static_cast<std::uint8_t>(s->Value), static_cast<std::uint8_t>(s->Value >> 8),
        static_cast<std::uint8_t>(s->Armed), static_cast<std::uint8_t>(s->Fired)};
    Log(sio::lgTriggerDataChange, sio::lgStatusTrigger, static_cast<std::uint32_t>(handle), data,
        4);
    s->Armed = activate;
    if (activate) WakeUnlessDispatching();  // its condition may hold already
    return sio::ecOK;
}

std::int32_t TSioBaseDispatcher::StatusTriggerKind(std::int32_t handle) {
    std::lock_guard guard(stateLock_);
    auto s = FindHandle(statusTriggers_, handle);
    return s == statusTriggers_.end() ? sio::ecBadTriggerHandle : s->Kind;
}

void TSioBaseDispatcher::SaveTriggers(TriggerSnapshot& snapshot) {
    std::lock_guard guard(stateLock_);
    snapshot.Threshold = threshold_;
    snapshot.Timers = timers_;
    snapshot.Data = dataTriggers_;
    snapshot.Status = statusTriggers_;
}

void TSioBaseDispatcher::RestoreTriggers(const TriggerSnapshot& snapshot) {
    std::lock_guard guard(stateLock_);
    threshold_ = snapshot.Threshold;
    timers_ = snapshot.Timers;
    dataTriggers_ = snapshot.Data;
    statusTriggers_ = snapshot.Status;
    // New handles must not collide with the restored ones.
    std::int32_t highest = 0;
    for (const auto& t : timers_) highest = std::max(highest, t.Handle & ~KindBits);
    for (const auto& t : dataTriggers_) highest = std::max(highest, t.Handle & ~KindBits);
    for (const auto& t : statusTriggers_) highest = std::max(highest, t.Handle & ~KindBits);
    nextHandle_ = std::max(nextHandle_, highest / 8 + 1);
    // The input the saved partial matches came from was discarded when the port closed.
    ResetDataMatches();
    WakeUnlessDispatching();
}

void TSioBaseDispatcher::ResetDataMatches() {
    std::lock_guard guard(stateLock_);
    for (auto& trigger : dataTriggers_) {
        trigger.Matcher.Reset();
        trigger.Matched = false;
    }
}

void TSioBaseDispatcher::ClearTriggers() {
    std::lock_guard guard(stateLock_);
    timers_.clear();
    dataTriggers_.clear();
    statusTriggers_.clear();
    threshold_ = 0;
    nextHandle_ = 1;
}

// --- Handlers ----------------------------------------------------------------------------------

void TSioBaseDispatcher::AttachWindow(TSioNotifier* window) {
    std::lock_guard guard(stateLock_);
    windows_.push_back({window});
    needService_ = true;
    Log(sio::lgHandlerAlloc, sio::lgWindow,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

template <typename List, typename Match>
bool TSioBaseDispatcher::RemoveHandler(List& list, Match match) {
    auto h = std::find_if(list.begin(), list.end(),
                          [&](const auto& r) { return !r.Removed && match(r); });
    if (h == list.end()) return false;
    // During a delivery the record is only marked; it is freed when the delivery ends.
    if (dispatchInProgress_) {
        h->Removed = true;
        handlersRemoved_ = true;
    } else {
        list.erase(h);
        RecomputeHandlerNeed(0);
    }
    return true;
}

void TSioBaseDispatcher::DetachWindow(TSioNotifier* window) {
    std::lock_guard guard(stateLock_);
    if (RemoveHandler(windows_, [window](const TWindowHandler& h) { return h.Window == window; }))
        Log(sio::lgHandlerDispose, sio::lgWindow,
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
    else
        RecomputeHandlerNeed(0);
}

void TSioBaseDispatcher::AddProcHandler(TSioTriggerProc procedure) {
    std::lock_guard guard(stateLock_);
    procs_.push_back({procedure});
    RecomputeHandlerNeed(0);
}

void TSioBaseDispatcher::RemoveProcHandler(TSioTriggerProc procedure) {
    std::lock_guard guard(stateLock_);
    RemoveHandler(procs_, [procedure](const TProcHandler& h) { return h.Procedure == procedure; });
}

void TSioBaseDispatcher::AddEventHandler(const TSioTriggerMethod& method,
                                         TSioNotifier* synchronizeWith) {
    std::lock_guard guard(stateLock_);
    events_.push_back({method, synchronizeWith});
    RecomputeHandlerNeed(0);
}

void TSioBaseDispatcher::RemoveEventHandler(const TSioTriggerMethod& method) {
    std::lock_guard guard(stateLock_);
    RemoveHandler(events_, [&method](const TEventHandler& h) { return h.Method == method; });
}

void TSioBaseDispatcher::FreeRemovedHandlers() {
    std::lock_guard guard(stateLock_);
    std::erase_if(windows_, [](const TWindowHandler& h) { return h.Removed; });
    std::erase_if(procs_, [](const TProcHandler& h) { return h.Removed; });
    std::erase_if(events_, [](const TEventHandler& h) { return h.Removed; });
    RecomputeHandlerNeed(0);
}

void TSioBaseDispatcher::RecomputeHandlerNeed(int mode) {
    std::lock_guard guard(stateLock_);
    const bool others = windows_.size() > 1 || !procs_.empty() || !events_.empty();
    switch (mode) {
        case 0:
            needService_ = others || portHandlerInstalled_;
            break;
        case 1:
            portHandlerInstalled_ = true;
            needService_ = true;
            break;
        case 2:
            portHandlerInstalled_ = false;
            needService_ = others;
            break;
        default:
            break;
    }
}

#include "SioPort.h"

#include <algorithm>
#include <exception>

#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioExceptionDisplay.h"
#include "SioPlatformDispatcher.h"
#include "SioPortHooks.h"
#include "SioPortRules.h"

// The lifecycle of a port: opening, closing (at once, or deferred when asked for from inside an
// event handler), changing the port number while open, and form loading.

TSioCustomComPort::TSioCustomComPort()
    : OnTrigger([this] { UpdateEventService(); }),
      OnTriggerAvail([this] { UpdateEventService(); }),
      OnTriggerData([this] { UpdateEventService(); }),
      OnTriggerStatus([this] { UpdateEventService(); }),
      OnTriggerTimer([this] { UpdateEventService(); }),
      OnTriggerLineError([this] { UpdateEventService(); }),
      OnTriggerModemStatus([this] { UpdateEventService(); }),
      OnTriggerOutbuffFree([this] { UpdateEventService(); }),
      OnTriggerOutbuffUsed([this] { UpdateEventService(); }),
      OnTriggerOutSent([this] { UpdateEventService(); }) {}

TSioCustomComPort::~TSioCustomComPort() {
    try {
        if (state_ == TPortState::StateOpen) DoClose();
    } catch (...) {
        // A destructor has no one to report to; the port is closed below regardless.
    }
    // A close still waiting for the dispatcher's threads is finished here.
    if (dispatcher_) FinishClose();
    destroying_ = true;
    NotifyRemoval();
    notifier_.reset();
    retiredNotifiers_.clear();
}

void TSioCustomComPort::SetOpen(bool open) {
    // While a deferred close is pending, Open still reads true; asking for it again means
    // "open again once closed".
    if (state_ == TPortState::StateClosing) {
        openPending_ = open;
        return;
    }
    if (open == open_) return;
    if (Loading()) {
        open_ = open;
        if (open) forceOpen_ = true;
        return;
    }
    if (!open)
        DoClose();
    else
        DoOpen();
}

void TSioCustomComPort::Loaded() {
    if (forceOpen_) open_ = true;
    if (!open_) return;
    forceOpen_ = false;
    open_ = false;  // DoOpen sets it once the port really is open
    try {
        DoOpen();
    } catch (...) {
        open_ = false;
        ShowSioException(std::current_exception());
    }
}

void TSioCustomComPort::ValidateComNumber() {
    if (comNumber_ != 0) return;
    if (!promptForPort_) CheckResult(nullptr, sio::ecNoPortSelected);
    const std::optional<std::uint16_t> chosen = PromptForSioPort();
    if (!chosen || *chosen == 0) CheckResult(nullptr, sio::ecNoPortSelected);
    comNumber_ = *chosen;
}

std::unique_ptr<TSioBaseDispatcher> TSioCustomComPort::CreateDispatcher() {
    if (factory_) return factory_(*this);
    if (deviceLayer_ != TDeviceLayer::dlWin32) CheckResult(nullptr, sio::ecNullApi);
    return MakeSioPlatformDispatcher(this);
}

std::string TSioCustomComPort::DevicePath() const {
    return "COM" + std::to_string(comNumber_);
}

std::int32_t TSioCustomComPort::OpenWithSettings() {
    return dispatcher_->OpenPort(
        DevicePath(), static_cast<std::uint32_t>(baud_), static_cast<std::uint8_t>(parity_),
        static_cast<std::uint8_t>(dataBits_), static_cast<std::uint8_t>(stopBits_), inSize_,
        outSize_, sio::LineOptionsByte(dtr_, rts_, hwFlow_));
}

void TSioCustomComPort::DoOpen() {
    if (tapiMode_ != TTapiMode::tmOn) ValidateComNumber();
    dispatcher_ = CreateDispatcher();
    if (!dispatcher_) CheckResult(nullptr, sio::ecNullApi);
    dispatcher_->SetDeviceName("COM" + std::to_string(comNumber_));
    bool usersTold = false;
    try {
        const std::int32_t result = sio::TranslateOpenResult(OpenWithSettings());
        if (result != 0) CheckResult(this, result);
        state_ = TPortState::StateOpen;
        UpdateEventService();
        ApplySettingsForced();
        open_ = true;
        AttachNotifyWindow(true);
        if (copyTriggers_) {
            copyTriggers_ = false;
            dispatcher_->RestoreTriggers(savedTriggers_);
        }
        usersTold = true;
        DoPortOpen();
    } catch (...) {
        force_ = false;
        // Users that heard of the open (a status-light controller now watching) must hear
        // that the port is closed again, unless a handler closed it already; the open's own
        // exception is the one that goes on.
        const bool tellUsers = usersTold && state_ == TPortState::StateOpen;
        // As at any close, the worker threads end before the window they may be talking to.
        FinishClose();
        if (tellUsers) {
            try {
                TellUsersClosed();
            } catch (...) {
                ShowSioException(std::current_exception());
            }
        }
        throw;
    }
}

void TSioCustomComPort::ApplySettingsForced() {
    force_ = true;
    try {
        SetTracing(tracing_);
        SetLogging(logging_);
        SetHWFlowOptions(hwFlow_);
        SetSWFlowOptions(swFlow_);
        SetXOnChar(xOn_);
        SetXOffChar(xOff_);
        SetTriggerLength(triggerLength_);
        SetDTR(dtr_);
        SetRTS(rts_);
        SetUseEventWord(useEventWord_);
        SetRS485Mode(rs485_);
        SetThreadBoost(threadBoost_);
    } catch (...) {
        force_ = false;
        throw;
    }
    force_ = false;
}

void TSioCustomComPort::DoClose() {
    if (state_ != TPortState::StateOpen) return;
    // The trace and log are written now; a failing write, like a failing user, must not leave
    // the port open or half closed, so the first such exception is raised once the close is
    // complete.
    std::exception_ptr failure;
    auto keepFirstFailure = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    keepFirstFailure([this] { SetTracing(TTraceLogState::tlDump); });
    keepFirstFailure([this] { SetLogging(TTraceLogState::tlDump); });
    state_ = TPortState::StateClosing;
    keepFirstFailure([this] { DoPortClosing(); });
    dispatcher_->SaveTriggers(savedTriggers_);
    copyTriggers_ = true;
    dispatcher_->ClosePort();
    if (dispatcher_->ClosePending() && !delivering_.empty()) {
        // Asked for from inside a handler: the dispatcher cannot go before the delivery ends.
        // (Outside a handler a delivery in progress only waits for this thread, and the
        // dispatcher's end delivers it.)
        TSioMessage closing;
        closing.Msg = sio::PortMsgClosing;
        closing.LParam = static_cast<std::intptr_t>(dispatcher_->Handle()) << 16;
        notifier_->Post(closing);
    } else {
        FinishClose();
    }
    DoPortClose();
    if (failure) std::rethrow_exception(failure);
}

// The window goes after the dispatcher: until its threads have ended one of them may still be
// about to hand the window a message.
void TSioCustomComPort::FinishClose() {
    DestroyDispatcher();
    AttachNotifyWindow(false);
    state_ = TPortState::StateClosed;
    open_ = false;
}

void TSioCustomComPort::DestroyDispatcher() {
    // Destroying it waits for the worker threads and pumps this thread's notifications;
    // dispatcher_ already reads empty then, so they find no port to deliver to.
    std::unique_ptr<TSioBaseDispatcher> dying = std::move(dispatcher_);
    if (dying && notifier_) dying->DetachWindow(notifier_.get());
    dying.reset();
}

void TSioCustomComPort::AttachNotifyWindow(bool enable) {
    if (enable) {
        PruneRetiredNotifiers();
        const unsigned id = ++lastNotifierId_;
        notifier_ = MakeSioNotifier([this, id](const TSioMessage& m) { return WindowProc(id, m); });
        notifierId_ = id;
        dispatcher_->AttachWindow(notifier_.get());
        return;
    }
    if (!notifier_) return;
    if (dispatcher_) dispatcher_->DetachWindow(notifier_.get());
    retiredNotifiers_.push_back({notifierId_, std::move(notifier_)});
    PruneRetiredNotifiers();
}

bool TSioCustomComPort::Delivering(unsigned notifierId) const {
    return std::find(delivering_.begin(), delivering_.end(), notifierId) != delivering_.end();
}

void TSioCustomComPort::PruneRetiredNotifiers() {
    std::erase_if(retiredNotifiers_,
                  [this](const TRetiredNotifier& r) { return !Delivering(r.Id); });
}

void TSioCustomComPort::DoPortOpen() {
    const std::vector<TUser> users = UsersSnapshot();
    for (auto user = users.rbegin(); user != users.rend(); ++user) {
        if (user->EventKind)
            user->EventCallback(this, 0);
        else
            user->Callback(this, true);
    }
    OnPortOpen(this);
}

void TSioCustomComPort::DoPortClosing() {
    const std::vector<TUser> users = UsersSnapshot();
    for (auto user = users.rbegin(); user != users.rend(); ++user)
        if (user->EventKind) user->EventCallback(this, 1);
}

void TSioCustomComPort::DoPortClose() {
    TellUsersClosed();
    OnPortClose(this);
}

void TSioCustomComPort::TellUsersClosed() {
    const std::vector<TUser> users = UsersSnapshot();
    for (auto user = users.rbegin(); user != users.rend(); ++user) {
        if (user->EventKind)
            user->EventCallback(this, 2);
        else
            user->Callback(this, false);
    }
}

void TSioCustomComPort::SetComNumber(std::uint16_t number) {
    if (number == comNumber_) return;
    if (state_ != TPortState::StateOpen) {
        comNumber_ = number;
        return;
    }
    // Reopen on the new device with the same trace and log requests. The triggers come along
    // through the close's snapshot, restored by the open before the users hear of it; restoring
    // them once more afterwards would wipe the triggers the users have just made anew.
    const TTraceLogState tracing = tracing_;
    const TTraceLogState logging = logging_;
    SetOpen(false);
    comNumber_ = number;
    SetTracing(tracing);
    SetLogging(logging);
    SetOpen(true);
}

void TSioCustomComPort::SetDeviceLayer(TDeviceLayer layer) {
    if (layer == deviceLayer_ || state_ != TPortState::StateClosed) return;
    if (layer != TDeviceLayer::dlWin32) return;  // the only supported layer
    deviceLayer_ = layer;
    DeviceLayerChanged();
}

int TSioCustomComPort::RegisterUserCallback(const TSioPortCallback& callback) {
    users_.push_back({callback, {}, false});
    return static_cast<int>(users_.size()) - 1;
}

int TSioCustomComPort::RegisterUserEventCallback(const TSioPortEventCallback& callback) {
    users_.push_back({{}, callback, true});
    return static_cast<int>(users_.size()) - 1;
}

void TSioCustomComPort::DeregisterUserCallback(const TSioPortCallback& callback) {
    if (destroying_) return;
    std::erase_if(users_, [&](const TUser& u) { return !u.EventKind && u.Callback == callback; });
}

void TSioCustomComPort::DeregisterUserEventCallback(const TSioPortEventCallback& callback) {
    if (destroying_) return;
    std::erase_if(users_,
                  [&](const TUser& u) { return u.EventKind && u.EventCallback == callback; });
}

TSioBaseDispatcher* TSioCustomComPort::ActiveDispatcher() {
    if (!dispatcher_ && !Loading() && state_ != TPortState::StateOpen && autoOpen_) SetOpen(true);
    return dispatcher_.get();
}

TSioBaseDispatcher* TSioCustomComPort::RequireDispatcher() {
    TSioBaseDispatcher* dispatcher = ActiveDispatcher();
    if (!dispatcher) CheckResult(nullptr, sio::ecCommNotOpen);
    return dispatcher;
}

TSioBaseDispatcher* TSioCustomComPort::OpenDispatcher() const {
    return state_ == TPortState::StateOpen ? dispatcher_.get() : nullptr;
}

void TSioCustomComPort::YieldToDispatcher() {
    if (state_ == TPortState::StateClosing) return;
    // Giving up the processor once lets the worker threads run before the caller goes on.
    std::this_thread::yield();
}

#include "SioStatLt.h"

#include <exception>

#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioMessages.h"

namespace {

// Line-error bits a status trigger of kind 2 is armed with: overrun, parity and framing; and
// the break bit.
constexpr std::uint16_t LineErrorBits = 7;
constexpr std::uint16_t BreakBit = 8;

}  // namespace

void TLightSet::SetLight(TSlot slot, TSioLight* light) {
    if (lights_[slot] == light) return;
    lights_[slot] = light;
    if (light && owner_) owner_->FreeNotification(light);
}

void TLightSet::Forget(const TSioBaseComponent* component) {
    for (auto& light : lights_)
        if (light == component) light = nullptr;
}

TSioCustomSLController::TSioCustomSLController(TSioCustomComPort* port) {
    SetComPort(port);
}

TSioCustomSLController::~TSioCustomSLController() {
    try {
        if (monitoring_) SetMonitoring(false);
    } catch (...) {
        // Going away regardless.
    }
    if (port_) port_->DeregisterUserCallback(Callback());
    NotifyRemoval();
}

void TSioCustomSLController::SetComPort(TSioCustomComPort* port) {
    if (port == port_) return;
    if (port_) {
        port_->DeregisterUserCallback(Callback());
        RemoveFreeNotification(port_);
    }
    const bool wanted = monitoring_ || monitorPending_;
    if (port_) SetMonitoring(false);
    monitorPending_ = false;
    staleTriggers_.clear();  // they belong to the old port's snapshot
    port_ = port;
    if (!port_) return;
    // Followed before monitoring starts: should the lights fail to start, the controller still
    // hears when this port opens, closes or goes away.
    port_->RegisterUserCallback(Callback());
    FreeNotification(port_);
    if (wanted) SetMonitoring(true);
}

void TSioCustomSLController::Notification(TSioBaseComponent* component, TOperation operation) {
    if (operation != TOperation::Remove) return;
    if (port_ && component == static_cast<TSioBaseComponent*>(port_)) {
        try {
            SetMonitoring(false);
        } catch (...) {
            // The port is going; its handlers are put back as far as it still takes them.
        }
        port_ = nullptr;
        monitorPending_ = false;
        staleTriggers_.clear();
        return;
    }
    lights_.Forget(component);
}

void TSioCustomSLController::SetMonitoring(bool on) {
    if (Loading() || on == monitoring_) return;
    if (!port_) CheckResult(nullptr, sio::ecPortNotAssigned);
    // A port still finishing a deferred close reads Open but makes no triggers any more, and
    // it has already told its users of the close: monitoring waits for the next open.
    if (!port_->Open() || port_->State() != TSioCustomComPort::TPortState::StateOpen) {
        monitorPending_ = on;
        if (on) return;
    }
    monitoring_ = on;
    if (on) {
        savedAvail_ = port_->OnTriggerAvail;
        savedStatus_ = port_->OnTriggerStatus;
        savedTimer_ = port_->OnTriggerTimer;
        port_->OnTriggerAvail = TTriggerAvailEvent(this, &TSioCustomSLController::AvailHandler);
        port_->OnTriggerStatus = TTriggerHandleEvent(this, &TSioCustomSLController::StatusHandler);
        port_->OnTriggerTimer = TTriggerHandleEvent(this, &TSioCustomSLController::TimerHandler);
        try {
            StartLights();
        } catch (...) {
            // Monitoring that could not start is not on: the port gets its handlers back.
            SetMonitoring(false);
            throw;
        }
    } else {
        port_->OnTriggerAvail = savedAvail_;
        port_->OnTriggerStatus = savedStatus_;
        port_->OnTriggerTimer = savedTimer_;
        savedAvail_ = {};
        savedStatus_ = {};
        savedTimer_ = {};
        StopLights();
    }
    RefreshLights();
}

void TSioCustomSLController::StartLights() {
    modemMask_ = 0;
    handles_ = {};
    if (!port_) return;
    try {
        if (Has(TLightSet::CTS) || Has(TLightSet::DSR) || Has(TLightSet::DCD) ||
            Has(TLightSet::RING)) {
            handles_.Modem = port_->NewStatusTrigger(sio::StatusModem);
            if (Has(TLightSet::RING)) handles_.RingOff = port_->NewTimerTrigger();
        }
        if (Has(TLightSet::ERROR)) {
            handles_.Error = port_->NewStatusTrigger(sio::StatusLine);
            handles_.ErrorOff = port_->NewTimerTrigger();
        }
        if (Has(TLightSet::BREAK)) {
            handles_.Break = port_->NewStatusTrigger(sio::StatusLine);
            handles_.BreakOff = port_->NewTimerTrigger();
        }
        if (Has(TLightSet::RXD)) handles_.RxdOff = port_->NewTimerTrigger();
        if (Has(TLightSet::TXD)) {
            handles_.Txd = port_->NewStatusTrigger(sio::StatusOutSent);
            handles_.TxdOff = port_->NewTimerTrigger();
        }
        if (Has(TLightSet::CTS)) modemMask_ |= sio::ModemCts;
        if (Has(TLightSet::DSR)) modemMask_ |= sio::ModemDsr;
        if (Has(TLightSet::DCD)) modemMask_ |= sio::ModemDcd;
        if (Has(TLightSet::RING)) modemMask_ |= sio::ModemDeltaRing;
        if (handles_.Modem) port_->ArmStatusTrigger(handles_.Modem, modemMask_, true);
        if (handles_.Error) port_->ArmStatusTrigger(handles_.Error, LineErrorBits, true);
        if (handles_.Break) port_->ArmStatusTrigger(handles_.Break, BreakBit, true);
        if (handles_.Txd) port_->ArmStatusTrigger(handles_.Txd, 0, true);
    } catch (...) {
        modemMask_ = 0;
        StopLights();
        throw;
    }
}

void TSioCustomSLController::StopLights() {
    if (!port_) return;
    const std::vector<std::uint16_t> live = LiveHandles();
    modemMask_ = 0;
    handles_ = {};
    for (std::uint16_t handle : live) port_->DropTrigger(handle);
}

// The handles in use, in the order they were made.
std::vector<std::uint16_t> TSioCustomSLController::LiveHandles() const {
    const THandles& h = handles_;
    std::vector<std::uint16_t> live;
    for (std::uint16_t handle :
         {h.Modem, h.RingOff, h.Error, h.ErrorOff, h.Break, h.BreakOff, h.RxdOff, h.Txd, h.TxdOff})
        if (handle) live.push_back(handle);
    return live;
}

void TSioCustomSLController::RefreshLights() {
    for (int slot = 0; slot < TLightSet::SlotCount; ++slot)
        Switch(static_cast<TLightSet::TSlot>(slot), false);
    if (!port_ || !monitoring_) return;
    Switch(TLightSet::CTS, port_->CtsState());
    Switch(TLightSet::DSR, port_->DsrState());
    Switch(TLightSet::DCD, port_->DcdState());
}

void TSioCustomSLController::Switch(TLightSet::TSlot slot, bool lit) {
    if (TSioLight* light = lights_.Light(slot); light && light->Lit() != lit) light->SetLit(lit);
}

void TSioCustomSLController::AvailHandler(TSioPort sender, std::uint16_t count) {
    if (!port_) return;
    if (Has(TLightSet::RXD) && !IsLit(TLightSet::RXD)) {
        Switch(TLightSet::RXD, true);
        port_->ArmTimerTrigger(handles_.RxdOff, rxdOff_, true);
    }
    savedAvail_(sender, count);
}

void TSioCustomSLController::StatusHandler(TSioPort sender, std::uint16_t handle) {
    if (!port_) return;
    if (handle == 0) {
        // No trigger of the lights has handle 0.
    } else if (handle == handles_.Modem) {
        if (Has(TLightSet::DCD)) Switch(TLightSet::DCD, port_->DcdState());
        if (Has(TLightSet::CTS)) Switch(TLightSet::CTS, port_->CtsState());
        if (Has(TLightSet::DSR)) Switch(TLightSet::DSR, port_->DsrState());
        if (Has(TLightSet::RING) && port_->RingEdge() && !IsLit(TLightSet::RING)) {
            Switch(TLightSet::RING, true);
            port_->ArmTimerTrigger(handles_.RingOff, ringOff_, true);
        }
        port_->ArmStatusTrigger(handles_.Modem, modemMask_, true);
    } else if (handle == handles_.Error) {
        Switch(TLightSet::ERROR, true);
        port_->ArmTimerTrigger(handles_.ErrorOff, errorOff_, true);
        port_->TakeLineError();
    } else if (handle == handles_.Break) {
        Switch(TLightSet::BREAK, true);
        port_->ArmTimerTrigger(handles_.BreakOff, breakOff_, true);
        port_->TakeBreak();
    } else if (handle == handles_.Txd) {
        Switch(TLightSet::TXD, true);
        port_->ArmTimerTrigger(handles_.TxdOff, txdOff_, true);
    }
    savedStatus_(sender, handle);
}

void TSioCustomSLController::TimerHandler(TSioPort sender, std::uint16_t handle) {
    if (!port_) return;
    if (handle == 0) {
        // No timer of the lights has handle 0.
    } else if (handle == handles_.ErrorOff) {
        Switch(TLightSet::ERROR, false);
        port_->ArmStatusTrigger(handles_.Error, LineErrorBits, true);
    } else if (handle == handles_.BreakOff) {
        Switch(TLightSet::BREAK, false);
        port_->ArmStatusTrigger(handles_.Break, BreakBit, true);
    } else if (handle == handles_.RxdOff) {
        if ((port_->InputCount() & 0xFFFF) != 0)
            port_->ArmTimerTrigger(handles_.RxdOff, rxdOff_, true);
        else
            Switch(TLightSet::RXD, false);
    } else if (handle == handles_.TxdOff) {
        if ((port_->OutputPending() & 0xFFFF) != 0) {
            port_->ArmTimerTrigger(handles_.TxdOff, txdOff_, true);
        } else {
            Switch(TLightSet::TXD, false);
            port_->ArmStatusTrigger(handles_.Txd, 0, true);
        }
    } else if (handle == handles_.RingOff) {
        Switch(TLightSet::RING, false);
    }
    savedTimer_(sender, handle);
}

void TSioCustomSLController::PortCallback(TSioPort, bool opening) {
    if (!opening) {
        const bool was = monitoring_;
        // The port keeps these triggers in its snapshot and brings them back at reopen, where
        // they would be orphans: the lights make their own again.
        staleTriggers_ = LiveHandles();
        SetMonitoring(false);
        monitorPending_ = was;
        return;
    }
    DropStaleTriggers();
    if (monitorPending_) {
        monitorPending_ = false;
        SetMonitoring(true);
    }
}

void TSioCustomSLController::DropStaleTriggers() {
    const std::vector<std::uint16_t> stale = std::move(staleTriggers_);
    staleTriggers_.clear();
    for (std::uint16_t handle : stale) {
        try {
            port_->DropTrigger(handle);
        } catch (const EBadTriggerHandle&) {
            // Not brought back; nothing to drop.
        }
    }
}

#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "SioBaseComponent.h"
#include "SioLight.h"
#include "SioPort.h"

// The lights a status-light controller drives, none owned: the modem lines CTS, DSR and DCD,
// the ring indicator, transmit, receive, line errors and received breaks.
class TLightSet {
  public:
    enum TSlot { CTS, DSR, DCD, RING, TXD, RXD, ERROR, BREAK, SlotCount };

    explicit TLightSet(TSioBaseComponent* owner) : owner_(owner) {}

    TSioLight* Light(TSlot slot) const { return lights_[slot]; }
    void SetLight(TSlot slot, TSioLight* light);
    // Clears every reference to `component` (a light that goes away).
    void Forget(const TSioBaseComponent* component);

    TSioLight* CTSLight() const { return lights_[CTS]; }
    void SetCTSLight(TSioLight* light) { SetLight(CTS, light); }
    TSioLight* DSRLight() const { return lights_[DSR]; }
    void SetDSRLight(TSioLight* light) { SetLight(DSR, light); }
    TSioLight* DCDLight() const { return lights_[DCD]; }
    void SetDCDLight(TSioLight* light) { SetLight(DCD, light); }
    TSioLight* RINGLight() const { return lights_[RING]; }
    void SetRINGLight(TSioLight* light) { SetLight(RING, light); }
    TSioLight* TXDLight() const { return lights_[TXD]; }
    void SetTXDLight(TSioLight* light) { SetLight(TXD, light); }
    TSioLight* RXDLight() const { return lights_[RXD]; }
    void SetRXDLight(TSioLight* light) { SetLight(RXD, light); }
    TSioLight* ERRORLight() const { return lights_[ERROR]; }
    void SetERRORLight(TSioLight* light) { SetLight(ERROR, light); }
    TSioLight* BREAKLight() const { return lights_[BREAK]; }
    void SetBREAKLight(TSioLight* light) { SetLight(BREAK, light); }

  private:
    std::array<TSioLight*, SlotCount> lights_{};
    TSioBaseComponent* owner_;
};

// Watches one com port and switches its lights. It creates triggers on the port's dispatcher
// and puts its own handlers in front of the port's OnTriggerAvail, OnTriggerStatus and
// OnTriggerTimer; the handlers that were there still run, after the controller's part.
// Monitoring asked for while the port is closed starts when the port opens, and monitoring
// that was on when the port closed starts again when it reopens.
class TSioCustomSLController : public TSioBaseComponent {
  public:
    explicit TSioCustomSLController(TSioCustomComPort* port = nullptr);
    ~TSioCustomSLController() override;

    TSioCustomComPort* ComPort() const { return port_; }
    void SetComPort(TSioCustomComPort* port);
    bool Monitoring() const { return monitoring_; }
    // EPortNotAssigned without a port.
    void SetMonitoring(bool on);
    bool MonitorPending() const { return monitorPending_; }

    // Times in ticks of 55 ms.
    std::int32_t ErrorOffTimeout() const { return errorOff_; }
    void SetErrorOffTimeout(std::int32_t ticks) { errorOff_ = ticks; }
    std::int32_t BreakOffTimeout() const { return breakOff_; }
    void SetBreakOffTimeout(std::int32_t ticks) { breakOff_ = ticks; }
    std::int32_t RXDOffTimeout() const { return rxdOff_; }
    void SetRXDOffTimeout(std::int32_t ticks) { rxdOff_ = ticks; }
    std::int32_t TXDOffTimeout() const { return txdOff_; }
    void SetTXDOffTimeout(std::int32_t ticks) { txdOff_ = ticks; }
    std::int32_t RingOffTimeout() const { return ringOff_; }
    void SetRingOffTimeout(std::int32_t ticks) { ringOff_ = ticks; }

    TLightSet& Lights() { return lights_; }
    const TLightSet& Lights() const { return lights_; }

  protected:
    void Notification(TSioBaseComponent* component, TOperation operation) override;

  private:
    // Trigger handles of the lights; 0 = none.
    struct THandles {
        std::uint16_t Modem = 0, Error = 0, Break = 0, ErrorOff = 0, BreakOff = 0, RxdOff = 0,
                      Txd = 0, TxdOff = 0, RingOff = 0;
    };

    void AvailHandler(TSioPort sender, std::uint16_t count);
    void StatusHandler(TSioPort sender, std::uint16_t handle);
    void TimerHandler(TSioPort sender, std::uint16_t handle);
    void PortCallback(TSioPort port, bool opening);
    TSioPortCallback Callback() {
        return TSioPortCallback(this, &TSioCustomSLController::PortCallback);
    }

    void StartLights();
    void StopLights();
    void RefreshLights();
    void DropStaleTriggers();
    std::vector<std::uint16_t> LiveHandles() const;
    void Switch(TLightSet::TSlot slot, bool lit);
    bool Has(TLightSet::TSlot slot) const { return lights_.Light(slot) != nullptr; }
    bool IsLit(TLightSet::TSlot slot) const { return Has(slot) && lights_.Light(slot)->Lit(); }

    TSioCustomComPort* port_ = nullptr;
    bool monitoring_ = false;
    bool monitorPending_ = false;
    std::int32_t errorOff_ = 36;
    std::int32_t breakOff_ = 36;
    std::int32_t rxdOff_ = 1;
    std::int32_t txdOff_ = 1;
    std::int32_t ringOff_ = 8;
    TLightSet lights_{this};
    TTriggerAvailEvent savedAvail_;
    TTriggerHandleEvent savedStatus_;
    TTriggerHandleEvent savedTimer_;
    std::uint16_t modemMask_ = 0;
    THandles handles_;
    // Triggers of the last monitoring, which the port's snapshot brings back at reopen.
    std::vector<std::uint16_t> staleTriggers_;
};

class TSioSLController final : public TSioCustomSLController {
  public:
    using TSioCustomSLController::TSioCustomSLController;
};

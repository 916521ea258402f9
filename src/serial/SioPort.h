#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Event.h"
#include "SioBaseComponent.h"
#include "SioBaseDispatcher.h"
#include "SioNotifier.h"
#include "SioPortTypes.h"
#include "SioTriggers.h"

class TSioCustomComPort;

// A trigger event of a port: an Event whose assignment also tells the port, so that the
// dispatcher delivers notifications only while someone listens.
template <typename... Args>
class TSioTriggerEvent : public Event<Args...> {
  public:
    explicit TSioTriggerEvent(std::function<void()> assigned) : assigned_(std::move(assigned)) {}
    TSioTriggerEvent(const TSioTriggerEvent&) = delete;
    TSioTriggerEvent& operator=(const TSioTriggerEvent& other) {
        return *this = static_cast<const Event<Args...>&>(other);
    }
    TSioTriggerEvent& operator=(const Event<Args...>& event) {
        Event<Args...>::operator=(event);
        if (assigned_) assigned_();
        return *this;
    }

  private:
    std::function<void()> assigned_;
};

using TSioPort = TSioCustomComPort*;
using TTriggerEvent = Event<TSioPort, std::uint16_t, std::uint16_t, std::uint16_t>;
using TTriggerAvailEvent = Event<TSioPort, std::uint16_t>;
using TTriggerHandleEvent = Event<TSioPort, std::uint16_t>;  // data, status and timer triggers
using TTriggerLineErrorEvent = Event<TSioPort, std::uint16_t, bool>;
using TSioNotifyEvent = Event<TSioPort>;
using TSioWaitCharEvent = Event<TSioPort, char>;
// A registered user hears of the port opening (true) and closing (false) ...
using TSioPortCallback = Event<TSioPort, bool>;
// ... or, with the kind flag, of each step: 0 opened, 1 closing, 2 closed.
using TSioPortEventCallback = Event<TSioPort, int>;

// The non-visual component through which the program talks to a serial port. It keeps the
// line settings and the port's lifecycle (closed, closing, open); on open it creates a
// dispatcher, which owns the device, the rings, the worker threads and the triggers, and it
// turns the dispatcher's notifications into its events, run one at a time on the thread that
// opened the port. Every negative result code from the dispatcher becomes an exception.
class TSioCustomComPort : public TSioBaseComponent {
  public:
    enum class TPortState { StateClosed, StateClosing, StateOpen };
    using TDispatcherFactory =
        std::function<std::unique_ptr<TSioBaseDispatcher>(TSioCustomComPort&)>;

    TSioCustomComPort();
    ~TSioCustomComPort() override;

    // --- Properties ---------------------------------------------------------------------
    TDeviceLayer DeviceLayer() const { return deviceLayer_; }
    void SetDeviceLayer(TDeviceLayer layer);
    std::uint16_t ComNumber() const { return comNumber_; }
    void SetComNumber(std::uint16_t number);
    std::int32_t Baud() const { return baud_; }
    void SetBaud(std::int32_t baud);
    bool PromptForPort() const { return promptForPort_; }
    void SetPromptForPort(bool prompt) { promptForPort_ = prompt; }
    TParity Parity() const { return parity_; }
    void SetParity(TParity parity);
    std::uint16_t DataBits() const { return dataBits_; }
    void SetDataBits(std::uint16_t bits);
    std::uint16_t StopBits() const { return stopBits_; }
    void SetStopBits(std::uint16_t bits);
    std::uint16_t InSize() const { return inSize_; }
    void SetInSize(std::uint16_t size);
    std::uint16_t OutSize() const { return outSize_; }
    void SetOutSize(std::uint16_t size);
    bool AutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool autoOpen) { autoOpen_ = autoOpen; }
    bool Open() const { return open_; }
    void SetOpen(bool open);
    bool DTR() const { return dtr_; }
    void SetDTR(bool on);
    bool RTS() const { return rts_; }
    void SetRTS(bool on);
    THWFlowOptionSet HWFlowOptions() const { return hwFlow_; }
    void SetHWFlowOptions(THWFlowOptionSet options);
    TSWFlowOptions SWFlowOptions() const { return swFlow_; }
    void SetSWFlowOptions(TSWFlowOptions options);
    char XOnChar() const { return xOn_; }
    void SetXOnChar(char c);
    char XOffChar() const { return xOff_; }
    void SetXOffChar(char c);
    std::uint16_t BufferFull() const { return bufferFull_; }
    void SetBufferFull(std::uint16_t level);
    std::uint16_t BufferResume() const { return bufferResume_; }
    void SetBufferResume(std::uint16_t level);

    TTraceLogState Tracing() const { return tracing_; }
    void SetTracing(TTraceLogState state);
    std::uint32_t TraceSize() const { return traceSize_; }
    void SetTraceSize(std::uint32_t size);
    const std::string& TraceName() const { return traceName_; }
    void SetTraceName(std::string name);
    bool TraceHex() const { return traceHex_; }
    void SetTraceHex(bool hex) { traceHex_ = hex; }
    bool TraceAllHex() const { return traceAllHex_; }
    void SetTraceAllHex(bool allHex) { traceAllHex_ = allHex; }
    TTraceLogState Logging() const { return logging_; }
    void SetLogging(TTraceLogState state);
    std::uint32_t LogSize() const { return logSize_; }
    void SetLogSize(std::uint32_t size);
    const std::string& LogName() const { return logName_; }
    void SetLogName(std::string name);
    bool LogHex() const { return logHex_; }
    void SetLogHex(bool hex) { logHex_ = hex; }
    bool LogAllHex() const { return logAllHex_; }
    void SetLogAllHex(bool allHex) { logAllHex_ = allHex; }

    bool UseMSRShadow() const { return true; }
    virtual void SetUseMSRShadow(bool) {}
    bool UseEventWord() const { return useEventWord_; }
    void SetUseEventWord(bool use);
    std::uint16_t CommNotificationLevel() const { return commNotificationLevel_; }
    void SetCommNotificationLevel(std::uint16_t level) { commNotificationLevel_ = level; }
    TTapiMode TapiMode() const { return tapiMode_; }
    void SetTapiMode(TTapiMode mode) { tapiMode_ = mode; }
    bool RS485Mode() const { return rs485_; }
    void SetRS485Mode(bool on);
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    // --- Events -------------------------------------------------------------------------
    TSioTriggerEvent<TSioPort, std::uint16_t, std::uint16_t, std::uint16_t> OnTrigger;
    TSioTriggerEvent<TSioPort, std::uint16_t> OnTriggerAvail;
    TSioTriggerEvent<TSioPort, std::uint16_t> OnTriggerData;
    TSioTriggerEvent<TSioPort, std::uint16_t> OnTriggerStatus;
    TSioTriggerEvent<TSioPort, std::uint16_t> OnTriggerTimer;
    TSioTriggerEvent<TSioPort, std::uint16_t, bool> OnTriggerLineError;
    TSioTriggerEvent<TSioPort> OnTriggerModemStatus;
    TSioTriggerEvent<TSioPort> OnTriggerOutbuffFree;
    TSioTriggerEvent<TSioPort> OnTriggerOutbuffUsed;
    TSioTriggerEvent<TSioPort> OnTriggerOutSent;
    TSioNotifyEvent OnPortOpen;
    TSioNotifyEvent OnPortClose;
    TSioWaitCharEvent OnWaitChar;

    // --- Input and output ---------------------------------------------------------------
    // Each obtains the dispatcher through RequireDispatcher, so a closed port opens first when
    // AutoOpen is set; while the port is closing they do nothing.
    void FlushInput();
    // The next unread character; EBufferIsEmpty when there is none. 0 while closing. An open
    // port reads straight from its dispatcher: this runs once per received character.
    char ReadChar() {
        if (state_ == TPortState::StateOpen && dispatcher_) {
            const std::int32_t result = dispatcher_->ReadChar();
            return static_cast<char>(result >= 0 ? result : CheckResult(this, result));
        }
        return ReadCharNotOpen();
    }
    // Queues the whole text for sending, or nothing: EOutputBufferTooSmall when it does not fit,
    // EInOutError (the system's number and text) once the device has gone away.
    void WriteString(const std::string& text);

    // --- Line state and triggers (0 or false unless open) ---------------------------------
    std::int32_t InputCount();
    std::int32_t OutputPending();
    bool CtsState();
    bool DsrState();
    bool DcdState();
    bool RingEdge();
    std::uint16_t TakeLineError();
    bool TakeBreak();
    std::uint16_t NewTimerTrigger();
    std::uint16_t NewStatusTrigger(std::uint16_t kind);
    void DropTrigger(std::uint16_t handle);
    void ArmTimerTrigger(std::uint16_t handle, std::int32_t ticks, bool activate);
    void ArmStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate);

    // --- Registered users ---------------------------------------------------------------
    int RegisterUserCallback(const TSioPortCallback& callback);
    int RegisterUserEventCallback(const TSioPortEventCallback& callback);
    // Removes every registration of this callback (same object and routine).
    void DeregisterUserCallback(const TSioPortCallback& callback);
    void DeregisterUserEventCallback(const TSioPortEventCallback& callback);

    // --- Dispatcher -----------------------------------------------------------------------
    // The dispatcher, opening the port first when it is closed and AutoOpen is set.
    TSioBaseDispatcher* ActiveDispatcher();
    // As ActiveDispatcher, but ECommNotOpen instead of nothing.
    TSioBaseDispatcher* RequireDispatcher();
    TSioBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }
    TPortState State() const { return state_; }
    // Makes the dispatchers of this port (tests put a scripted device here).
    void SetDispatcherFactory(TDispatcherFactory factory) { factory_ = std::move(factory); }
    TSioNotifier* NotifyWindow() const { return notifier_.get(); }
    void YieldToDispatcher();

  protected:
    void Loaded() override;

    virtual std::unique_ptr<TSioBaseDispatcher> CreateDispatcher();
    virtual void DeviceLayerChanged() {}
    virtual std::int32_t OpenWithSettings();
    virtual void AttachNotifyWindow(bool enable);
    virtual void ValidateComNumber();
    virtual void DoTrigger(std::uint16_t msg, std::uint16_t triggerHandle, std::uint16_t data);
    virtual void DoTriggerAvail(std::uint16_t count);
    virtual void DoTriggerData(std::uint16_t triggerHandle);
    virtual void DoTriggerStatus(std::uint16_t triggerHandle);
    virtual void DoTriggerTimer(std::uint16_t triggerHandle);
    virtual void UpdateEventService();
    virtual void DoTriggerLineError(std::uint16_t error, bool lineBreak);
    virtual void DoTriggerModemStatus();
    virtual void DoTriggerOutbuffFree();
    virtual void DoTriggerOutbuffUsed();
    virtual void DoTriggerOutSent();
    virtual void DoWaitChar(char c);
    virtual void DoClose();
    virtual void DoPortOpen();
    virtual void DoPortClose();
    virtual void DoPortClosing();
    virtual void DoOpen();

    // The device a port number stands for.
    virtual std::string DevicePath() const;

    // Not published: the count of waiting characters that makes OnTriggerAvail due, and the
    // worker threads' priority boost. Both are applied at open.
    void SetTriggerLength(std::uint16_t length);
    void SetThreadBoost(int boost);

  private:
    struct TUser {
        TSioPortCallback Callback;
        TSioPortEventCallback EventCallback;
        bool EventKind = false;
    };

    // ReadChar of a port that is not open: nothing while closing, else it opens first.
    char ReadCharNotOpen();
    std::intptr_t WindowProc(unsigned notifierId, const TSioMessage& message);
    void DeliverTrigger(TSioBaseDispatcher& dispatcher, const TSioMessage& message);
    void FinishDeferredClose(const TSioMessage& message);
    void FinishClose();
    void TellUsersClosed();
    void DestroyDispatcher();
    bool Delivering(unsigned notifierId) const;
    void PruneRetiredNotifiers();
    void ApplySettingsForced();
    void ApplyLineSettings();
    void ApplyTraceState(bool log, TTraceLogState requested);
    void RestartStore(bool log);
    void RecomputeThresholds(double fullShare, double resumeShare);
    void ReapplyFlow();
    bool SkipUnchanged(bool equal) const { return equal && !force_; }
    TSioBaseDispatcher* OpenDispatcher() const;  // only in StateOpen
    std::vector<TUser> UsersSnapshot() const { return users_; }

    TDeviceLayer deviceLayer_ = TDeviceLayer::dlWin32;
    std::uint16_t comNumber_ = 0;
    std::int32_t baud_ = 19200;
    bool promptForPort_ = true;
    TParity parity_ = TParity::pNone;
    std::uint16_t dataBits_ = 8;
    std::uint16_t stopBits_ = 1;
    std::uint16_t inSize_ = 4096;
    std::uint16_t outSize_ = 4096;
    bool autoOpen_ = true;
    bool open_ = false;
    bool dtr_ = true;
    bool rts_ = true;
    THWFlowOptionSet hwFlow_ = 0;
    TSWFlowOptions swFlow_ = TSWFlowOptions::swfNone;
    char xOn_ = 17;
    char xOff_ = 19;
    std::uint16_t bufferFull_ = 0;
    std::uint16_t bufferResume_ = 0;
    TTraceLogState tracing_ = TTraceLogState::tlOff;
    std::uint32_t traceSize_ = 10000;
    std::string traceName_ = "SERIAL.TRC";
    bool traceHex_ = true;
    bool traceAllHex_ = false;
    TTraceLogState logging_ = TTraceLogState::tlOff;
    std::uint32_t logSize_ = 10000;
    std::string logName_ = "SERIAL.LOG";
    bool logHex_ = true;
    bool logAllHex_ = false;
    bool useEventWord_ = true;
    std::uint16_t commNotificationLevel_ = 10;
    TTapiMode tapiMode_ = TTapiMode::tmAuto;
    bool rs485_ = false;
    std::int32_t tag_ = 0;

    TPortState state_ = TPortState::StateClosed;
    bool openPending_ = false;
    bool forceOpen_ = false;
    bool force_ = false;
    bool destroying_ = false;
    std::unique_ptr<TSioBaseDispatcher> dispatcher_;
    std::unique_ptr<TSioNotifier> notifier_;
    unsigned notifierId_ = 0;
    unsigned lastNotifierId_ = 0;
    // The notifiers whose procedure is running, innermost last (handlers may nest through a
    // modal loop, and a deferred close may reopen on a new notifier inside the old one's).
    std::vector<unsigned> delivering_;
    // A notifier cannot be destroyed from inside its own procedure: a detached one waits here
    // until that procedure has returned.
    struct TRetiredNotifier {
        unsigned Id;
        std::unique_ptr<TSioNotifier> Notifier;
    };
    std::vector<TRetiredNotifier> retiredNotifiers_;
    std::vector<TUser> users_;
    TriggerSnapshot savedTriggers_;
    bool copyTriggers_ = false;
    std::uint16_t triggerLength_ = 1;
    int threadBoost_ = 0;
    TDispatcherFactory factory_;
};

// The port as the program places it; it publishes the properties and adds nothing.
class TSioComPort final : public TSioCustomComPort {
  public:
    using TSioCustomComPort::TSioCustomComPort;
};

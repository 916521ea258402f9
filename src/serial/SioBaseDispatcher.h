#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "Event.h"
#include "SioClock.h"
#include "SioDcb.h"
#include "SioErrorCodes.h"
#include "SioInputRing.h"
#include "SioLogStore.h"
#include "SioMessages.h"
#include "SioNotifier.h"
#include "SioOutputRing.h"
#include "SioTraceStore.h"
#include "SioTriggers.h"
#include "SyncEvent.h"

class TSioCustomComPort;

// What the driver reports about its queues (the output count is the dispatcher's own ring).
struct TSioDeviceStatus {
    std::uint32_t Flags = 0;
    std::uint32_t InQueue = 0;
    std::uint32_t OutQueue = 0;
};

struct TSioLineSettings {
    std::uint32_t Baud = 0;
    std::uint8_t Parity = 0;
    std::uint8_t DataBits = 0;
    std::uint8_t StopBits = 0;
};

// The three worker threads of an open port.
enum class TSioWorker { Com = 0, Disp = 1, Out = 2 };

// A handler called by address; it sees the same messages as a notification window.
using TSioTriggerProc = void (*)(const TSioMessage&);
using TSioTriggerMethod = Event<const TSioMessage&>;

// Bits of the line-options argument of OpenPort.
namespace sio {
constexpr std::uint32_t LineOptDtr = 0x01;
constexpr std::uint32_t LineOptRts = 0x02;
constexpr std::uint32_t LineOptDtrFlow = 0x10;
constexpr std::uint32_t LineOptRtsFlow = 0x20;

constexpr std::chrono::milliseconds DispatchSendTimeout{3000};
}  // namespace sio

// The engine under a com port, for one open port: the input and output rings, the triggers,
// the handlers and the delivery of notifications to them, line settings and flow control, and
// the trace and dispatch-log stores. Everything that touches the device goes through the
// protected virtual operations below, which a platform class implements together with two of
// the three worker threads (device events and output); the dispatcher thread itself is common.
//
// Locks: the state lock guards settings, triggers, handlers and the stores; the output lock the
// output ring; the input lock the input ring and the read-ahead state. The input lock may be
// held while the output or state lock is taken, never the other way round. No lock is held
// while a handler runs, so handlers may call every operation.
//
// A platform class must call Shutdown() first in its destructor: the base destructor can no
// longer reach the device operations.
class TSioBaseDispatcher {
  public:
    explicit TSioBaseDispatcher(TSioCustomComPort* owner = nullptr, TSioClock* clock = nullptr);
    virtual ~TSioBaseDispatcher();
    TSioBaseDispatcher(const TSioBaseDispatcher&) = delete;
    TSioBaseDispatcher& operator=(const TSioBaseDispatcher&) = delete;

    TSioCustomComPort* Owner() const { return owner_; }
    std::uint16_t Handle() const { return handle_; }
    const std::string& DeviceName() const { return deviceName_; }
    void SetDeviceName(std::string name);
    bool IsOpen() const { return deviceHandle_ >= 0; }
    // The positive system error number with which the device went away while the port was open
    // (a hang-up, an unplugged adapter, a write refused for good), 0 while it is there. Sending
    // then fails with ecDeviceLost; what arrived before stays readable. The next open clears it.
    int DeviceLostError() const { return deviceLost_; }

    // --- Opening and closing -------------------------------------------------------------
    std::int32_t OpenPort(const std::string& device, std::uint32_t baud, std::uint8_t parity,
                          std::uint8_t dataBits, std::uint8_t stopBits, std::uint16_t inSize,
                          std::uint16_t outSize, std::uint32_t lineOptions);
    void ClosePort();
    // Asks the driver for other queue sizes while open.
    std::int32_t SetQueueSizes(std::uint16_t inSize, std::uint16_t outSize);

    // --- Modem lines and line errors ------------------------------------------------------
    std::uint8_t ReadModemStatus(std::uint8_t keepMask);
    bool CtsState();
    bool DsrState();
    bool DcdState();
    bool RingEdge();
    std::int32_t TakeLineError();
    bool TakeBreak();
    void SetOptionFlags(std::uint32_t flags);
    void ClearOptionFlags(std::uint32_t flags);
    std::uint32_t OptionFlags() const;

    // --- Input and output -----------------------------------------------------------------
    // The next unread byte, or ecBufferIsEmpty. A handler reading the bytes it was told of, the
    // common case, costs no lock: while the dispatch lasts nothing else moves the ring's
    // positions, and only the handler being served moves the read-ahead. Everything else (and
    // traced reading) takes the locked way.
    std::int32_t ReadChar() {
        if (insideReceiveDispatch_.load(std::memory_order_acquire) && servingHere_ == this &&
            !tracingOn_.load(std::memory_order_relaxed)) {
            const std::uint32_t ahead = readAhead_.load(std::memory_order_relaxed);
            if (ahead >= input_.Count()) return sio::ecBufferIsEmpty;
            const std::uint8_t byte = input_.At(input_.Tail() + ahead);
            readAhead_.store(ahead + 1, std::memory_order_relaxed);
            return byte;
        }
        return ReadCharLocked();
    }
    std::int32_t PeekNth(std::uint32_t n);

    // Marks the calling thread as running a handler of this dispatcher's notification for as
    // long as it lives. Inside a receive notification only such a handler reads the bytes it
    // was told of (every handler of one notification sees the same ones); a read from anywhere
    // else meanwhile finds the input empty, so that no byte is handed out twice or skipped.
    class ServingScope {
      public:
        explicit ServingScope(const TSioBaseDispatcher& dispatcher) : previous_(servingHere_) {
            servingHere_ = &dispatcher;
        }
        ~ServingScope() { servingHere_ = previous_; }
        ServingScope(const ServingScope&) = delete;
        ServingScope& operator=(const ServingScope&) = delete;

      private:
        const TSioBaseDispatcher* previous_;
    };
    std::int32_t SendBlock(const void* data, std::uint32_t length);
    std::uint32_t InputCount();
    std::uint32_t OutputPending();
    std::uint32_t OutputFree();
    std::int32_t DiscardInput();
    std::int32_t DiscardOutput();

    // --- Triggers ---------------------------------------------------------------------------
    void SetAvailThreshold(std::int32_t count);
    std::int32_t AvailThreshold() const;
    std::int32_t NewTimerTrigger();
    std::int32_t NewStatusTrigger(std::int32_t kind);
    // A trigger that fires when `text` (1 to 22 bytes) arrives: handle, −5002 when too long,
    // −1002 when empty, −5001 when no handle is left.
    std::int32_t NewDataTrigger(const std::string& text, bool ignoreCase);
    std::int32_t DropTrigger(std::int32_t handle);
    std::int32_t ArmTimerTrigger(std::int32_t handle, std::uint32_t ticks, bool activate);
    std::int32_t ArmStatusTrigger(std::int32_t handle, std::uint16_t value, bool activate);
    // The kind of a status trigger (1..5), or −5003 when the handle names none.
    std::int32_t StatusTriggerKind(std::int32_t handle);
    void SaveTriggers(TriggerSnapshot& snapshot);
    void RestoreTriggers(const TriggerSnapshot& snapshot);
    void ClearTriggers();

    // --- Handlers ---------------------------------------------------------------------------
    void AttachWindow(TSioNotifier* window);
    void DetachWindow(TSioNotifier* window);
    void AddProcHandler(TSioTriggerProc procedure);
    void RemoveProcHandler(TSioTriggerProc procedure);
    // With `synchronizeWith`, the method runs on that notifier's owner thread.
    void AddEventHandler(const TSioTriggerMethod& method, TSioNotifier* synchronizeWith = nullptr);
    void RemoveEventHandler(const TSioTriggerMethod& method);
    // Mode 0: recompute from the handlers; 1: the port's own handler is installed; 2: removed.
    virtual void RecomputeHandlerNeed(int mode);
    bool HandlersNeedService() const { return needService_; }

    virtual void SetPriorityBoost(int boost);
    int PriorityBoost() const;

    // --- Line settings and flow control -----------------------------------------------------
    std::int32_t SetLineSettings(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits,
                                 std::uint8_t stopBits);
    TSioLineSettings GetLineSettings();
    std::int32_t DriveDtr(bool on);
    std::int32_t DriveRts(bool on);
    std::int32_t SetHardwareFlow(std::uint16_t full, std::uint16_t resume, std::uint32_t options);
    std::int32_t SetSoftwareFlow(std::uint16_t full, std::uint16_t resume, std::uint32_t options);
    std::int32_t ClearSoftwareFlow();
    std::int32_t SetFlowChars(char xon, char xoff);
    void SetRs485Mode(bool on);
    bool Rs485Mode() const;
    void WaitOutputDrained();
    TSioDcb ControlBlock() const;

    // --- Trace and dispatch log ---------------------------------------------------------------
    std::int32_t TraceOpen(std::int32_t size);
    std::int32_t TraceWrite(const std::string& path, bool append, bool hexMode, bool allHex);
    void TraceReset();
    void TraceDiscard();
    void TraceResume();
    void TracePause();
    bool Tracing() const;
    bool TraceExists() const;
    std::int32_t LogOpen(std::int32_t size);
    std::int32_t LogWrite(const std::string& path, bool append, bool hexMode, bool allHex);
    void LogReset();
    void LogDiscard();
    void LogResume();
    void LogPause();
    bool Logging() const;
    bool LogExists() const;

    // --- Thread and delivery state ----------------------------------------------------------
    bool ThreadsStarted() const { return threadsStarted_; }
    int RunningThreads() const { return runningThreads_; }
    bool DispatchInProgress() const { return dispatchInProgress_; }
    bool ClosePending() const { return closePending_; }
    // What ended a worker thread or a handler through an exception, last; empty when nothing.
    std::string LastThreadError();

    // --- Engine steps, run by the dispatcher thread -----------------------------------------
    // One wake of the dispatcher thread: device events, new input, status and data triggers.
    void ServicePass();
    // Status triggers and timers, after each ServicePass.
    void TimerPass();
    // Moves bytes from the driver into the input ring; false when the driver held none.
    bool FillInput();
    bool ScanReceived();
    bool ScanStatus();
    bool ScanTimers();
    // Delivers one notification to every handler; true when the caller may go on scanning.
    bool Dispatch(std::uint32_t message, std::uint32_t trigger, std::uint32_t data);

  protected:
    // --- Device operations, implemented by the platform class -------------------------------
    // 3 set RTS, 4 clear RTS, 5 set DTR, 6 clear DTR → 0 or negative.
    virtual std::int32_t DeviceEscape(std::int32_t function) = 0;
    // 0 output (also empties the output ring), 1 input → 0 or −system error.
    virtual std::int32_t DevicePurge(std::int32_t queue) = 0;
    // Fills the driver's queue counts (use OutputRingCount for OutQueue); → line-error flags.
    virtual std::uint32_t DeviceStatus(TSioDeviceStatus& status) = 0;
    // The line-error flags alone, as DeviceStatus returns them, for a caller that needs no
    // queue counts; a platform may answer it more cheaply.
    virtual std::uint32_t DeviceLineErrors() {
        TSioDeviceStatus status;
        return DeviceStatus(status);
    }
    // Told −1 after a failed read; → 0.
    virtual std::int32_t DeviceEvents(std::int32_t mask) = 0;
    virtual std::int32_t DeviceGetState(TSioDcb& dcb) = 0;                          // 0 or −1
    virtual std::int32_t DeviceRead(std::uint8_t* buffer, std::uint32_t size) = 0;  // bytes
    virtual std::int32_t DeviceSetState(const TSioDcb& dcb) = 0;  // 0 or −system error
    // Hands bytes to the device, with the output lock held: queues them for the output thread
    // (QueueOutput), or writes at once what the device takes when nothing waits in the ring
    // before them → bytes accepted, 0 when none.
    virtual std::int32_t DeviceWrite(const std::uint8_t* data, std::uint32_t size) = 0;
    // Device-event thread: waits for the next device event and stores its bits in `eventMask`;
    // true when an event was obtained, false when the wait failed or was woken for shutdown.
    virtual bool DeviceWaitEvent(std::uint32_t& eventMask) = 0;
    virtual std::int32_t DeviceSetQueues(std::uint32_t inSize,
                                         std::uint32_t outSize) = 0;  // 0 or −error
    // → a device handle ≥ 0, −8 when resources could not be made, else −system error.
    virtual std::intptr_t DeviceOpen(const std::string& name, std::uint32_t inSize,
                                     std::uint32_t outSize) = 0;
    // Closes the device (0 or −1). The worker threads have already been told to end: the
    // kill flag is set, WakeDeviceWait was called and comm-event-done signalled.
    virtual std::int32_t DeviceClose() = 0;
    virtual std::int32_t DeviceYield() = 0;
    // Current modem lines in the high nibble (ModemCts, ModemDsr, ModemRing, ModemDcd).
    virtual std::uint8_t DeviceModemLines() = 0;

    // --- Worker threads ---------------------------------------------------------------------
    // The common forms start and stop the three threads with the handshakes below; a platform
    // class supplies the bodies of the device-event and output threads and the way to wake a
    // device-event wait. StopThreads signals OutputAbort, WakeDeviceWait and CommEventDone; an
    // output thread that blocks in a device wait of its own is woken by a StopThreads override
    // that wakes it and then calls this one.
    virtual void ReleasePort();
    virtual void StartThreads();
    virtual void StopThreads();
    // Body of the device-event thread: signal Acknowledge(), then loop DeviceWaitEvent →
    // SetLastEventMask → CommEventReady().Set() → CommEventDone().WaitFor, until Killed().
    virtual void RunComThread() = 0;
    // Body of the output thread: signal Acknowledge(), then wait for OutputReady() or
    // OutputAbort() and send TakeOutputStretch/AdvanceOutput until Killed() or ClosePending().
    virtual void RunOutThread() = 0;
    // Ends a pending DeviceWaitEvent from another thread.
    virtual void WakeDeviceWait() = 0;
    // Thread priority on the scale 0 idle .. 3 normal .. 6 time-critical.
    virtual void SetWorkerPriority(TSioWorker worker, int level);
    // The common dispatcher thread body: wakes on CommEventReady(), when the next active timer
    // is due, and every 50 ms while a status trigger waits for something no device event
    // announces (modem lines, line errors, output levels), while the input ring is full, and
    // once the device-event thread has ended on its own; otherwise it sleeps.
    void RunDispThread();

    // Starts a worker thread. Whatever way the body ends, an exception included, the thread is
    // accounted for (ThreadEnded) so that closing and destruction never wait forever.
    void LaunchWorker(TSioWorker worker, std::function<void()> body);
    bool WorkerPresent(TSioWorker worker) const;
    // The system handle of a worker thread (for SetWorkerPriority); empty when none runs.
    std::thread::native_handle_type WorkerHandle(TSioWorker worker);

    // Must be the first thing a platform class's destructor does.
    void Shutdown();

    // Handshake signals of the worker threads.
    SyncEvent& CommEventReady() { return commEventReady_; }
    SyncEvent& CommEventDone() { return commEventDone_; }
    SyncEvent& Acknowledge() { return acknowledge_; }
    SyncEvent& OutputReady() { return outputReady_; }
    SyncEvent& WriteComplete() { return writeComplete_; }
    SyncEvent& OutputAbort() { return outputAbort_; }
    bool EventsValid() const { return eventsValid_; }

    // A device layer's report that its device has gone, with the system's positive number for
    // it; the first report counts. Takes no lock, so it may be called while holding any.
    void NoteDeviceLost(int systemError);

    bool Killed() const { return kill_; }
    void SetKilled() { kill_ = true; }
    void SetLastEventMask(std::uint32_t mask);
    void NoteRingSeen() { ringSeen_ = true; }
    std::intptr_t DeviceHandle() const { return deviceHandle_; }
    std::uint32_t InputSize() const;

    // Output ring access for DeviceWrite, DeviceStatus, DevicePurge and the output thread.
    std::recursive_mutex& OutputLock() { return outLock_; }
    std::uint32_t QueueOutput(const std::uint8_t* data, std::uint32_t size);
    std::uint32_t OutputRingCount();
    // The next contiguous bytes to send (valid until the next ring change; only the output
    // thread changes the tail and only it may call this).
    std::span<const std::uint8_t> TakeOutputStretch();
    void AdvanceOutput(std::uint32_t sent);
    void ClearOutputRing();
    bool OutputRingEmpty();

    TSioClock& Clock() { return *clock_; }

  private:
    struct TWindowHandler {
        TSioNotifier* Window;
        bool Removed = false;
    };
    struct TProcHandler {
        TSioTriggerProc Procedure;
        bool Removed = false;
    };
    struct TEventHandler {
        TSioTriggerMethod Method;
        TSioNotifier* Synchronize = nullptr;
        bool Removed = false;
    };

    void ThreadEnded(TSioWorker worker);
    // How long the dispatcher thread may sleep when nothing wakes it, in milliseconds of its
    // clock.
    std::uint32_t NextWakeMs();
    // Makes the dispatcher thread look again at once: something changed that no device event
    // announces (an armed trigger, queued output, a handler's room in a full input ring).
    void WakeDispatcher() { commEventReady_.Set(); }
    // Called under the state lock by whatever may have made an armed trigger due.
    void WakeUnlessDispatching();
    bool OnWorkerThread();
    void WaitForThreadsToEnd();
    void PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    std::int32_t ReadCharLocked();
    void NoteModemChange();
    void RefreshLineStatus();
    bool StatusLoop();
    void ClearFiredFlags();
    bool StatusTriggerFires(TSioStatusTrigger& trigger, std::uint32_t& count);
    // Clears a data trigger's match for its notification: its length, 0 when it has none.
    std::uint32_t TakeDataMatch(std::int32_t handle);
    void ResetDataMatches();
    std::int32_t NextTriggerHandle();
    bool HandleInUse(std::int32_t handle) const;
    std::int32_t FindTrigger(std::int32_t handle, bool remove);
    void FreeRemovedHandlers();
    template <typename List, typename Match>
    bool RemoveHandler(List& list, Match match);
    std::int32_t ApplyDeviceState();
    void NormaliseLineFlags();
    void ReleaseRings();
    void SyncStoreFlags();
    // Runs one trace or log store operation under the state lock and refreshes the lock-free
    // mirrors of the stores' on/off flags afterwards.
    template <typename Operation>
    auto WithStores(Operation operation);
    void Trace(char kind, const std::uint8_t* data, std::uint32_t length);
    void Log(std::uint8_t type, std::uint8_t subtype, std::uint32_t otherData,
             const void* data = nullptr, std::uint32_t length = 0);

    TSioCustomComPort* owner_;
    TSioClock* clock_;
    std::uint16_t handle_ = 0;
    std::string deviceName_;
    std::atomic<std::intptr_t> deviceHandle_{-1};
    std::atomic<int> deviceLost_{0};

    mutable std::recursive_mutex stateLock_;
    std::recursive_mutex outLock_;
    std::recursive_mutex inLock_;

    // State lock.
    std::uint32_t lineErrors_ = 0;
    TSioDeviceStatus status_;
    std::uint16_t inSize_ = 0;
    std::uint16_t outSize_ = 0;
    std::uint8_t modemStatus_ = 0;
    std::uint32_t optionFlags_ = 0;
    std::atomic<bool> portHandlerInstalled_{false};
    std::atomic<bool> needService_{false};
    std::vector<TWindowHandler> windows_;
    std::vector<TProcHandler> procs_;
    std::vector<TEventHandler> events_;
    std::vector<TSioTimerTrigger> timers_;
    std::vector<TSioDataTrigger> dataTriggers_;
    std::vector<TSioStatusTrigger> statusTriggers_;
    std::int32_t threshold_ = 0;
    std::int32_t nextHandle_ = 1;
    bool statusFiredThisPass_ = false;
    TSioDcb dcb_;
    std::uint32_t lastBaud_ = 115200;
    bool dtrState_ = false;
    bool dtrAuto_ = false;
    bool rtsState_ = false;
    bool rtsAuto_ = false;
    bool rs485_ = false;
    int boost_ = 0;
    std::atomic<std::uint32_t> lastEventMask_{0};
    std::atomic<bool> ringSeen_{false};
    TSioTraceStore trace_;
    TSioLogStore log_;
    std::atomic<bool> tracingOn_{false};  // mirrors of the stores' flags, read without the lock
    std::atomic<bool> loggingOn_{false};
    std::uint32_t logTimeBase_ = 0;

    // Input lock. Inside a receive dispatch the handler's reading needs no lock (ReadChar):
    // nothing but the handlers moves the ring's positions until the dispatch ends, so the flag
    // and the read-ahead are atomic and are changed under the lock only.
    TSioInputRing input_;
    std::uint64_t scanPosition_ = 0;
    std::uint64_t notifiedPosition_ = 0;
    std::atomic<std::uint32_t> readAhead_{0};
    std::uint32_t maxReadAhead_ = 0;
    std::atomic<bool> insideReceiveDispatch_{false};
    // The dispatcher whose handler the calling thread runs, if any (see ServingScope).
    static inline thread_local const TSioBaseDispatcher* servingHere_ = nullptr;
    // Inside a receive notification: whether the calling thread is the handler's.
    bool OutsideReceiveHandler() const { return insideReceiveDispatch_ && servingHere_ != this; }

    // Output lock.
    TSioOutputRing output_;
    std::atomic<bool> outputQueued_{false};

    // Delivery flags, read without a lock by the other threads.
    std::atomic<bool> dispatchInProgress_{false};
    std::atomic<bool> handlersRemoved_{false};
    std::atomic<bool> closePending_{false};

    // Worker threads.
    SyncEvent commEventReady_{SyncEvent::Reset::Auto};
    SyncEvent commEventDone_{SyncEvent::Reset::Auto};
    SyncEvent acknowledge_{SyncEvent::Reset::Auto};
    SyncEvent outputReady_{SyncEvent::Reset::Auto};
    SyncEvent writeComplete_{SyncEvent::Reset::Manual};
    SyncEvent outputAbort_{SyncEvent::Reset::Auto};
    std::atomic<bool> eventsValid_{false};
    std::atomic<bool> kill_{false};
    std::atomic<bool> threadsStarted_{false};
    std::atomic<bool> releaseWhenDispEnds_{false};
    std::atomic<bool> deviceWaitEnded_{false};  // the device-event thread ended on its own
    // The last fill found the input ring full, so the driver may hold bytes the ring could not
    // take, which no device event will announce again.
    std::atomic<bool> inputHeldBack_{false};
    std::atomic<int> runningThreads_{0};
    std::atomic<bool> present_[3] = {false, false, false};
    std::thread threads_[3];
    std::mutex threadLock_;  // thread objects, the running count's wake-up, the error text
    std::condition_variable threadChanged_;
    std::recursive_mutex threadControl_;  // one StartThreads / StopThreads at a time
    std::string lastThreadError_;
    bool shutDown_ = false;
};

#include "SioBaseDispatcher.h"

#include "SioDispatcherRegistry.h"
#include "SioErrorCodes.h"

TSioBaseDispatcher::TSioBaseDispatcher(TSioCustomComPort* owner, TSioClock* clock)
    : owner_(owner), clock_(clock ? clock : &SystemClock()) {
    handle_ = DispatcherRegistry().Add(this);
}

TSioBaseDispatcher::~TSioBaseDispatcher() {
    // A platform class has already shut the port down; nothing here may reach the device.
    for (auto& thread : threads_)
        if (thread.joinable()) thread.join();
    DispatcherRegistry().Remove(handle_);
}

void TSioBaseDispatcher::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (closePending_)
        ReleasePort();
    else
        ClosePort();
    WaitForThreadsToEnd();
    std::lock_guard guard(threadLock_);
    for (auto& thread : threads_)
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) thread.join();
}

void TSioBaseDispatcher::SetDeviceName(std::string name) {
    std::lock_guard guard(stateLock_);
    deviceName_ = std::move(name);
}

std::int32_t TSioBaseDispatcher::OpenPort(const std::string& device, std::uint32_t baud,
                                          std::uint8_t parity, std::uint8_t dataBits,
                                          std::uint8_t stopBits, std::uint16_t inSize,
                                          std::uint16_t outSize, std::uint32_t lineOptions) {
    ringSeen_ = false;
    deviceLost_ = 0;
    deviceWaitEnded_ = false;
    dispatchInProgress_ = false;
    handlersRemoved_ = false;
    for (SyncEvent* event : {&commEventReady_, &commEventDone_, &acknowledge_, &outputReady_,
                             &writeComplete_, &outputAbort_})
        event->ResetEvent();
    eventsValid_ = true;

    auto fail = [this](std::int32_t code) {
        ClosePort();
        return code;
    };

    const std::intptr_t device_handle = DeviceOpen(device, inSize, outSize);
    if (device_handle < 0) return fail(static_cast<std::int32_t>(device_handle));
    deviceHandle_ = device_handle;
    if (const std::int32_t r = DeviceSetQueues(inSize, outSize); r < 0) return fail(r);

    {
        std::lock_guard inGuard(inLock_);
        std::lock_guard stateGuard(stateLock_);
        inSize_ = inSize;
        outSize_ = outSize;
        input_.Allocate();
        {
            std::lock_guard outGuard(outLock_);
            output_.Allocate(outSize);
        }
        scanPosition_ = notifiedPosition_ = 0;
        readAhead_ = maxReadAhead_ = 0;
        insideReceiveDispatch_ = false;
        lineErrors_ = 0;
        closePending_ = false;
        modemStatus_ = 0;
        rs485_ = false;
        DeviceGetState(dcb_);
        dtrAuto_ = (lineOptions & sio::LineOptDtrFlow) != 0;
        if (!dtrAuto_) DriveDtr((lineOptions & sio::LineOptDtr) != 0);
        rtsAuto_ = (lineOptions & sio::LineOptRtsFlow) != 0;
        if (!rtsAuto_) DriveRts((lineOptions & sio::LineOptRts) != 0);
        ClearTriggers();
        ClearFiredFlags();
        ReadModemStatus(0xF0);
        lastBaud_ = 115200;
    }

    if (const std::int32_t r = SetLineSettings(baud, parity, dataBits, stopBits); r < 0)
        return fail(r);

    {
        std::lock_guard guard(stateLock_);
        RefreshLineStatus();
        trace_.TraceDiscard();
        log_.LogDiscard();
        SyncStoreFlags();
        logTimeBase_ = clock_->NowMs();
    }
    try {
        StartThreads();
    } catch (...) {
        ClosePort();
        throw;
    }
    return sio::ecOK;
}

void TSioBaseDispatcher::ClosePort() {
    if (IsOpen()) {
        DiscardOutput();
        DiscardInput();
        if (threadsStarted_) {
            // Every worker sees the kill flag; the device-event thread is woken from its wait.
            kill_ = true;
            WakeDeviceWait();
            WakeDispatcher();
            commEventDone_.Set();
            acknowledge_.ResetEvent();
        }
        DeviceClose();
        deviceHandle_ = -1;
    }
    if (dispatchInProgress_) {
        closePending_ = true;  // the dispatcher thread releases the port when it ends
    } else {
        ReleasePort();
        WaitForThreadsToEnd();
    }
}

void TSioBaseDispatcher::NoteDeviceLost(int systemError) {
    int none = 0;
    deviceLost_.compare_exchange_strong(none, systemError);
}

void TSioBaseDispatcher::ReleasePort() {
    releaseWhenDispEnds_ = false;
    if (threadsStarted_) StopThreads();
    ReleaseRings();
}

void TSioBaseDispatcher::ReleaseRings() {
    std::lock_guard inGuard(inLock_);
    std::lock_guard outGuard(outLock_);
    input_.Free();
    output_.Free();
    readAhead_ = maxReadAhead_ = 0;
    insideReceiveDispatch_ = false;
}

std::int32_t TSioBaseDispatcher::SetQueueSizes(std::uint16_t inSize, std::uint16_t outSize) {
    if (!IsOpen()) return sio::ecCommNotOpen;
    return DeviceSetQueues(inSize, outSize);
}

std::uint32_t TSioBaseDispatcher::InputSize() const {
    std::lock_guard guard(stateLock_);
    return inSize_;
}

// --- Modem lines and line errors ------------------------------------------------------------

std::uint8_t TSioBaseDispatcher::ReadModemStatus(std::uint8_t keepMask) {
    std::lock_guard guard(stateLock_);
    std::uint8_t status =
        static_cast<std::uint8_t>((DeviceModemLines() & 0xF0) | (modemStatus_ & 0x0F));
    if (ringSeen_.exchange(false)) status |= sio::ModemDeltaRing;
    modemStatus_ = static_cast<std::uint8_t>(status & keepMask);
    return status;
}

bool TSioBaseDispatcher::CtsState() {
    return (ReadModemStatus(0xFE) & sio::ModemCts) != 0;
}
bool TSioBaseDispatcher::DsrState() {
    return (ReadModemStatus(0xFD) & sio::ModemDsr) != 0;
}
bool TSioBaseDispatcher::DcdState() {
    return (ReadModemStatus(0xF7) & sio::ModemDcd) != 0;
}
bool TSioBaseDispatcher::RingEdge() {
    return (ReadModemStatus(0xFB) & sio::ModemDeltaRing) != 0;
}

void TSioBaseDispatcher::NoteModemChange() {
    std::lock_guard guard(stateLock_);
    const std::uint8_t old = modemStatus_;
    ReadModemStatus(0xFF);
    modemStatus_ |= static_cast<std::uint8_t>(((modemStatus_ ^ old) & 0xF0) >> 4);
}

void TSioBaseDispatcher::RefreshLineStatus() {
    std::lock_guard guard(stateLock_);
    lineErrors_ |= DeviceStatus(status_) & sio::LineErrorMask;
}

std::int32_t TSioBaseDispatcher::TakeLineError() {
    static constexpr struct {
        std::uint32_t flag;
        std::int32_t code;
    } order[] = {{sio::LineRxOverrun, 1},
                 {sio::LineOverrun, 2},
                 {sio::LineParity, 3},
                 {sio::LineFraming, 4},
                 {sio::LineBreak, 9}};
    std::lock_guard guard(stateLock_);
    for (const auto& entry : order) {
        if (lineErrors_ & entry.flag) {
            lineErrors_ &= ~0x0Fu;  // a break stays until TakeBreak
            return entry.code;
        }
    }
    return 0;
}

bool TSioBaseDispatcher::TakeBreak() {
    std::lock_guard guard(stateLock_);
    const bool seen = (lineErrors_ & sio::LineBreak) != 0;
    lineErrors_ &= ~sio::LineBreak;
    return seen;
}

void TSioBaseDispatcher::SetOptionFlags(std::uint32_t flags) {
    std::lock_guard guard(stateLock_);
    optionFlags_ |= flags;
}

void TSioBaseDispatcher::ClearOptionFlags(std::uint32_t flags) {
    std::lock_guard guard(stateLock_);
    optionFlags_ &= ~flags;
}

std::uint32_t TSioBaseDispatcher::OptionFlags() const {
    std::lock_guard guard(stateLock_);
    return optionFlags_;
}

void TSioBaseDispatcher::SetLastEventMask(std::uint32_t mask) {
    // Events the dispatcher thread has not looked at yet are kept with the new ones.
    lastEventMask_.fetch_or(mask);
    if (mask & (sio::EvRing | sio::EvRingTe)) ringSeen_ = true;
}

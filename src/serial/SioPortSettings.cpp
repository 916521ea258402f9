#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioPort.h"
#include "SioPortRules.h"

// Property setters: a value set while the port is closed is stored and applied at the next
// open; while open it is applied at once. With the force flag (set during the open) a value is
// applied even when it equals the stored one.

void TSioCustomComPort::ApplyLineSettings() {
    if (TSioBaseDispatcher* d = OpenDispatcher())
        CheckResult(this, d->SetLineSettings(static_cast<std::uint32_t>(baud_),
                                             static_cast<std::uint8_t>(parity_),
                                             static_cast<std::uint8_t>(dataBits_),
                                             static_cast<std::uint8_t>(stopBits_)));
}

void TSioCustomComPort::SetBaud(std::int32_t baud) {
    if (baud == baud_) return;
    baud_ = baud;
    ApplyLineSettings();
}

void TSioCustomComPort::SetParity(TParity parity) {
    if (parity == parity_) return;
    parity_ = parity;
    ApplyLineSettings();
}

void TSioCustomComPort::SetDataBits(std::uint16_t bits) {
    if (bits == dataBits_) return;
    dataBits_ = bits;
    ApplyLineSettings();
}

void TSioCustomComPort::SetStopBits(std::uint16_t bits) {
    if (bits == stopBits_) return;
    stopBits_ = bits;
    ApplyLineSettings();
}

void TSioCustomComPort::SetInSize(std::uint16_t size) {
    if (size == inSize_) return;
    inSize_ = size;
    if (TSioBaseDispatcher* d = OpenDispatcher()) d->SetQueueSizes(inSize_, outSize_);
}

void TSioCustomComPort::SetOutSize(std::uint16_t size) {
    if (size == outSize_) return;
    outSize_ = size;
    if (TSioBaseDispatcher* d = OpenDispatcher()) d->SetQueueSizes(inSize_, outSize_);
}

// A line handed to flow control stays under the driver (the dispatcher answers 1); the
// property then keeps its old value.
void TSioCustomComPort::SetDTR(bool on) {
    if (SkipUnchanged(on == dtr_)) return;
    if (TSioBaseDispatcher* d = OpenDispatcher()) {
        if (CheckResult(this, d->DriveDtr(on)) == 0) dtr_ = on;
    } else {
        dtr_ = on;
    }
}

void TSioCustomComPort::SetRTS(bool on) {
    if (SkipUnchanged(on == rts_)) return;
    if (TSioBaseDispatcher* d = OpenDispatcher()) {
        if (CheckResult(this, d->DriveRts(on)) == 0) rts_ = on;
    } else {
        rts_ = on;
    }
}

void TSioCustomComPort::RecomputeThresholds(double fullShare, double resumeShare) {
    const sio::TFlowThresholds t =
        sio::DeriveThresholds({bufferFull_, bufferResume_}, inSize_, fullShare, resumeShare);
    bufferFull_ = t.Full;
    bufferResume_ = t.Resume;
}

void TSioCustomComPort::SetHWFlowOptions(THWFlowOptionSet options) {
    if (SkipUnchanged(options == hwFlow_)) return;
    const std::uint32_t word = options & (hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS);
    if (word != 0) RecomputeThresholds(0.9, 0.1);
    if (TSioBaseDispatcher* d = OpenDispatcher())
        CheckResult(this, d->SetHardwareFlow(bufferFull_, bufferResume_, word));
    hwFlow_ = options;
    if (options & (hwfUseRTS | hwfRequireCTS)) SetRS485Mode(false);
}

void TSioCustomComPort::SetSWFlowOptions(TSWFlowOptions options) {
    if (SkipUnchanged(options == swFlow_)) return;
    const std::uint32_t word = sio::SoftwareFlowWord(options);
    if (word != 0) RecomputeThresholds(0.75, 0.25);
    if (TSioBaseDispatcher* d = OpenDispatcher()) {
        if (word != 0)
            CheckResult(this, d->SetSoftwareFlow(bufferFull_, bufferResume_, word));
        else
            CheckResult(this, d->ClearSoftwareFlow());
    }
    swFlow_ = options;
}

void TSioCustomComPort::ReapplyFlow() {
    const bool previous = force_;
    force_ = true;
    try {
        SetHWFlowOptions(hwFlow_);
        SetSWFlowOptions(swFlow_);
    } catch (...) {
        force_ = previous;
        throw;
    }
    force_ = previous;
}

void TSioCustomComPort::SetBufferFull(std::uint16_t level) {
    if (SkipUnchanged(level == bufferFull_)) return;
    bufferFull_ = sio::ClampBufferFull(level, inSize_);
    ReapplyFlow();
}

void TSioCustomComPort::SetBufferResume(std::uint16_t level) {
    if (SkipUnchanged(level == bufferResume_)) return;
    bufferResume_ = sio::ClampBufferResume(level, bufferFull_);
    ReapplyFlow();
}

void TSioCustomComPort::SetXOnChar(char c) {
    if (SkipUnchanged(c == xOn_)) return;
    xOn_ = c;
    if (TSioBaseDispatcher* d = OpenDispatcher()) CheckResult(this, d->SetFlowChars(xOn_, xOff_));
}

void TSioCustomComPort::SetXOffChar(char c) {
    if (SkipUnchanged(c == xOff_)) return;
    xOff_ = c;
    if (TSioBaseDispatcher* d = OpenDispatcher()) CheckResult(this, d->SetFlowChars(xOn_, xOff_));
}

void TSioCustomComPort::SetUseEventWord(bool use) {
    if (SkipUnchanged(use == useEventWord_)) return;
    useEventWord_ = use;
    constexpr std::uint32_t EventWordOption = 4;
    if (TSioBaseDispatcher* d = OpenDispatcher()) {
        if (use)
            d->SetOptionFlags(EventWordOption);
        else
            d->ClearOptionFlags(EventWordOption);
    }
}

void TSioCustomComPort::SetRS485Mode(bool on) {
    if (SkipUnchanged(on == rs485_)) return;
    rs485_ = on;
    if (TSioBaseDispatcher* d = OpenDispatcher()) d->SetRs485Mode(on);
    if (on) {
        hwFlow_ &= static_cast<THWFlowOptionSet>(~(hwfUseRTS | hwfRequireCTS));
        SetRTS(false);
    }
}

void TSioCustomComPort::SetTriggerLength(std::uint16_t length) {
    if (SkipUnchanged(length == triggerLength_)) return;
    triggerLength_ = length;
    if (TSioBaseDispatcher* d = OpenDispatcher()) d->SetAvailThreshold(length);
}

void TSioCustomComPort::SetThreadBoost(int boost) {
    if (SkipUnchanged(boost == threadBoost_)) return;
    threadBoost_ = boost;
    if (TSioBaseDispatcher* d = OpenDispatcher()) d->SetPriorityBoost(boost);
}

void TSioCustomComPort::SetTraceName(std::string name) {
    if (name.size() > 255) name.resize(255);
    traceName_ = std::move(name);
}

void TSioCustomComPort::SetLogName(std::string name) {
    if (name.size() > 255) name.resize(255);
    logName_ = std::move(name);
}

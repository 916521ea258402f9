#include <algorithm>

#include "SioBaseDispatcher.h"
#include "SioErrorCodes.h"

namespace {
constexpr std::uint8_t KeepParity = 5;
constexpr std::uint8_t KeepDataBits = 9;
constexpr std::uint8_t KeepStopBits = 3;
constexpr std::uint32_t DrainPolls = 5000;
constexpr std::uint32_t DrainPollMs = 2;
constexpr char XonDefault = 0x11;
constexpr char XoffDefault = 0x13;
}  // namespace

void TSioBaseDispatcher::NormaliseLineFlags() {
    dcb_.Flags |= sio::dcbBinary | sio::dcbTxContinueOnXoff;
    dcb_.Flags &= ~(sio::dcbParity | sio::dcbDsrSensitivity | sio::dcbNull);
}

std::int32_t TSioBaseDispatcher::SetLineSettings(std::uint32_t baud, std::uint8_t parity,
                                                 std::uint8_t dataBits, std::uint8_t stopBits) {
    std::uint8_t stopCode = 0;
    {
        std::lock_guard guard(stateLock_);
        DeviceGetState(dcb_);
        NormaliseLineFlags();
        if (baud == 0) baud = dcb_.BaudRate;
        if (parity == KeepParity) parity = dcb_.Parity;
        if (dataBits == KeepDataBits) dataBits = dcb_.ByteSize;
        if (stopBits == KeepStopBits)
            stopCode = dcb_.StopBits;
        else
            stopCode =
                std::clamp<std::uint8_t>(stopBits, 1, 2) == 1 ? sio::OneStopBit : sio::TwoStopBits;
        if (dataBits == 5) stopCode = sio::One5StopBits;
        if (baud == dcb_.BaudRate && parity == dcb_.Parity && dataBits == dcb_.ByteSize &&
            stopCode == dcb_.StopBits)
            return sio::ecOK;
    }
    // The line must not change under characters still on their way out.
    WaitOutputDrained();
    std::lock_guard guard(stateLock_);
    DeviceGetState(dcb_);
    NormaliseLineFlags();
    dcb_.BaudRate = baud;
    dcb_.Parity = parity;
    dcb_.ByteSize = dataBits;
    dcb_.StopBits = stopCode;
    return ApplyDeviceState();
}

TSioLineSettings TSioBaseDispatcher::GetLineSettings() {
    std::lock_guard guard(stateLock_);
    DeviceGetState(dcb_);
    return {sio::BaudFromDcbValue(dcb_.BaudRate), dcb_.Parity, dcb_.ByteSize,
            static_cast<std::uint8_t>(dcb_.StopBits != sio::OneStopBit ? 2 : 1)};
}

void TSioBaseDispatcher::WaitOutputDrained() {
    for (std::uint32_t i = 0; i < DrainPolls && OutputPending() > 0; ++i)
        clock_->SleepMs(DrainPollMs);
    TSioDcb dcb;
    {
        std::lock_guard guard(stateLock_);
        DeviceGetState(dcb_);
        dcb = dcb_;
    }
    // The driver may still hold characters of its own: wait the time of 18 more.
    const std::uint32_t baud = sio::BaudFromDcbValue(dcb.BaudRate);
    if (baud == 0) return;
    const std::uint32_t bits = dcb.ByteSize + 2u + (dcb.Parity != sio::NoParity ? 1u : 0u) +
                               (dcb.StopBits != sio::OneStopBit ? 1u : 0u);
    std::uint64_t time100ns = std::uint64_t{10'000'000u / baud} * bits * 18u;
    if (time100ns < 10'000) time100ns *= 2;
    clock_->SleepMs(static_cast<std::uint32_t>((time100ns + 9'999) / 10'000));
}

std::int32_t TSioBaseDispatcher::ApplyDeviceState() {
    if (!dtrAuto_) {
        dcb_.Flags &= ~sio::dcbDtrControlMask;
        if (dtrState_) dcb_.Flags |= sio::dcbDtrControlEnable;
    }
    if (!rtsAuto_) {
        dcb_.Flags &= ~sio::dcbRtsControlMask;
        if (rtsState_) dcb_.Flags |= sio::dcbRtsControlEnable;
    }
    const std::int32_t result = DeviceSetState(dcb_);
    lastBaud_ = dcb_.BaudRate;
    DriveDtr(dtrState_);
    if (!rs485_) DriveRts(rtsState_);
    return result;
}

std::int32_t TSioBaseDispatcher::DriveDtr(bool on) {
    std::lock_guard guard(stateLock_);
    if (dtrAuto_) return 1;  // the driver owns the line for handshaking
    const std::int32_t result = DeviceEscape(on ? sio::EscSetDtr : sio::EscClrDtr);
    dtrState_ = on;
    return result < 0 ? sio::ecBadArgument : result;
}

std::int32_t TSioBaseDispatcher::DriveRts(bool on) {
    std::lock_guard guard(stateLock_);
    if (rtsAuto_) return 1;
    const std::int32_t result = DeviceEscape(on ? sio::EscSetRts : sio::EscClrRts);
    rtsState_ = on;
    return result < 0 ? sio::ecBadArgument : result;
}

std::int32_t TSioBaseDispatcher::SetHardwareFlow(std::uint16_t full, std::uint16_t resume,
                                                 std::uint32_t options) {
    std::lock_guard guard(stateLock_);
    if (full < resume || full > inSize_) return sio::ecBadArgument;
    DeviceGetState(dcb_);
    dcb_.Flags &= ~(sio::dcbOutxCtsFlow | sio::dcbOutxDsrFlow | sio::dcbDtrControlMask |
                    sio::dcbRtsControlMask);
    dtrAuto_ = (options & 1) != 0;
    if (dtrAuto_)
        dcb_.Flags |= sio::dcbDtrControlHandshake;
    else if (dtrState_)
        dcb_.Flags |= sio::dcbDtrControlEnable;
    rtsAuto_ = (options & 2) != 0;
    if (rtsAuto_)
        dcb_.Flags |= sio::dcbRtsControlHandshake;
    else if (rtsState_)
        dcb_.Flags |= sio::dcbRtsControlEnable;
    if (rs485_) {
        // The driver turns the transmitter on and off around each block.
        dcb_.Flags = (dcb_.Flags & ~sio::dcbRtsControlMask) | sio::dcbRtsControlToggle;
        rtsAuto_ = true;
    }
    dcb_.XoffLim = static_cast<std::uint16_t>(inSize_ - full);
    dcb_.XonLim = resume;
    if (options & 4) dcb_.Flags |= sio::dcbOutxDsrFlow;
    if (options & 8) dcb_.Flags |= sio::dcbOutxCtsFlow;
    return ApplyDeviceState();
}

std::int32_t TSioBaseDispatcher::SetSoftwareFlow(std::uint16_t full, std::uint16_t resume,
                                                 std::uint32_t options) {
    std::lock_guard guard(stateLock_);
    if (full < resume || full > inSize_) return sio::ecBadArgument;
    DeviceGetState(dcb_);
    if (options & 2) {
        dcb_.Flags |= sio::dcbInX;
        dcb_.XoffLim = static_cast<std::uint16_t>(inSize_ - full);
        dcb_.XonLim = resume;
    }
    if (options & 1) dcb_.Flags |= sio::dcbOutX;
    if (options & 3) {
        dcb_.XonChar = XonDefault;
        dcb_.XoffChar = XoffDefault;
    }
    return ApplyDeviceState();
}

std::int32_t TSioBaseDispatcher::ClearSoftwareFlow() {
    std::lock_guard guard(stateLock_);
    DeviceGetState(dcb_);
    dcb_.Flags &= ~(sio::dcbInX | sio::dcbOutX);
    return ApplyDeviceState();
}

std::int32_t TSioBaseDispatcher::SetFlowChars(char xon, char xoff) {
    std::lock_guard guard(stateLock_);
    DeviceGetState(dcb_);
    dcb_.XonChar = xon;
    dcb_.XoffChar = xoff;
    return ApplyDeviceState();
}

void TSioBaseDispatcher::SetRs485Mode(bool on) {
    std::lock_guard guard(stateLock_);
    rs485_ = on;
    SetWorkerPriority(TSioWorker::Out, boost_ + (on ? 4 : 3));
}

bool TSioBaseDispatcher::Rs485Mode() const {
    std::lock_guard guard(stateLock_);
    return rs485_;
}

TSioDcb TSioBaseDispatcher::ControlBlock() const {
    std::lock_guard guard(stateLock_);
    return dcb_;
}

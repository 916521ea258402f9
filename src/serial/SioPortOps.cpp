#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioPort.h"

// What the program and the status-light controller call on a port.

void TSioCustomComPort::FlushInput() {
    if (state_ == TPortState::StateClosing) return;
    CheckResult(this, RequireDispatcher()->DiscardInput());
}

char TSioCustomComPort::ReadCharNotOpen() {
    if (state_ == TPortState::StateClosing) return 0;
    return static_cast<char>(CheckResult(this, RequireDispatcher()->ReadChar()));
}

void TSioCustomComPort::WriteString(const std::string& text) {
    if (state_ == TPortState::StateClosing) return;
    TSioBaseDispatcher* d = RequireDispatcher();
    if (text.empty()) return;
    const std::int32_t result = d->SendBlock(text.data(), static_cast<std::uint32_t>(text.size()));
    // The port stays open on a vanished device: the program closes it and a later write opens
    // it again, on whatever device then stands for this port.
    if (result == sio::ecDeviceLost && !Loading()) RaiseDeviceLost(d->DeviceLostError());
    CheckResult(this, result);
}

std::int32_t TSioCustomComPort::InputCount() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d ? static_cast<std::int32_t>(d->InputCount()) : 0;
}

std::int32_t TSioCustomComPort::OutputPending() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d ? static_cast<std::int32_t>(d->OutputPending()) : 0;
}

bool TSioCustomComPort::CtsState() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d && d->CtsState();
}

bool TSioCustomComPort::DsrState() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d && d->DsrState();
}

bool TSioCustomComPort::DcdState() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d && d->DcdState();
}

bool TSioCustomComPort::RingEdge() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d && d->RingEdge();
}

std::uint16_t TSioCustomComPort::TakeLineError() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d ? static_cast<std::uint16_t>(CheckResult(this, d->TakeLineError())) : 0;
}

bool TSioCustomComPort::TakeBreak() {
    TSioBaseDispatcher* d = OpenDispatcher();
    return d && d->TakeBreak();
}

std::uint16_t TSioCustomComPort::NewTimerTrigger() {
    if (state_ == TPortState::StateClosing) return 0;
    return static_cast<std::uint16_t>(CheckResult(this, RequireDispatcher()->NewTimerTrigger()));
}

std::uint16_t TSioCustomComPort::NewStatusTrigger(std::uint16_t kind) {
    if (state_ == TPortState::StateClosing) return 0;
    return static_cast<std::uint16_t>(
        CheckResult(this, RequireDispatcher()->NewStatusTrigger(kind)));
}

void TSioCustomComPort::DropTrigger(std::uint16_t handle) {
    if (TSioBaseDispatcher* d = OpenDispatcher()) CheckResult(this, d->DropTrigger(handle));
}

void TSioCustomComPort::ArmTimerTrigger(std::uint16_t handle, std::int32_t ticks, bool activate) {
    if (state_ == TPortState::StateClosing) return;
    CheckResult(this, RequireDispatcher()->ArmTimerTrigger(
                          handle, static_cast<std::uint32_t>(ticks), activate));
}

void TSioCustomComPort::ArmStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate) {
    if (state_ == TPortState::StateClosing) return;
    CheckResult(this, RequireDispatcher()->ArmStatusTrigger(handle, value, activate));
}

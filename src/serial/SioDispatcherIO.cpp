#include <algorithm>

#include "SioBaseDispatcher.h"
#include "SioErrorCodes.h"
#include "SioLogRecords.h"

// --- Input ---------------------------------------------------------------------------------

std::int32_t TSioBaseDispatcher::ReadCharLocked() {
    std::uint8_t byte = 0;
    {
        std::lock_guard guard(inLock_);
        if (!input_.Allocated() || OutsideReceiveHandler()) return sio::ecBufferIsEmpty;
        if (insideReceiveDispatch_) {
            // Every handler of one notification sees the same bytes; the tail moves afterwards.
            const std::uint32_t ahead = readAhead_;
            if (ahead >= input_.Count()) return sio::ecBufferIsEmpty;
            byte = input_.At(input_.Tail() + ahead);
            readAhead_ = ahead + 1;
        } else {
            if (input_.Count() == 0) return sio::ecBufferIsEmpty;
            byte = input_.At(input_.Tail());
            input_.Consume(1);
        }
        Trace('R', &byte, 1);
    }
    return byte;
}

std::int32_t TSioBaseDispatcher::PeekNth(std::uint32_t n) {
    std::lock_guard guard(inLock_);
    if (!input_.Allocated() || n == 0 || OutsideReceiveHandler()) return sio::ecBufferIsEmpty;
    const std::uint32_t skip = insideReceiveDispatch_ ? readAhead_.load() : 0;
    const std::uint32_t count = input_.Count();
    if (skip >= count || n > count - skip) return sio::ecBufferIsEmpty;  // no overflow
    return input_.At(input_.Tail() + skip + n - 1);
}

std::uint32_t TSioBaseDispatcher::InputCount() {
    std::lock_guard guard(inLock_);
    const std::uint32_t count = input_.Count();
    return insideReceiveDispatch_ ? count - std::min(count, readAhead_.load()) : count;
}

std::int32_t TSioBaseDispatcher::DiscardInput() {
    std::lock_guard guard(inLock_);
    // A device that has gone has no driver queue left to purge; discarding the ring is all.
    const bool purgeDevice = IsOpen() && DeviceLostError() == 0;
    const std::int32_t result = purgeDevice ? DevicePurge(sio::PurgeInput) : sio::ecOK;
    if (insideReceiveDispatch_) {
        maxReadAhead_ = input_.Count();  // the tail passes everything when the dispatch ends
    } else {
        input_.DiscardAll();
        readAhead_ = 0;
    }
    // Discarded bytes are never matched against data triggers.
    scanPosition_ = input_.Head();
    ResetDataMatches();
    return result;
}

bool TSioBaseDispatcher::FillInput() {
    std::lock_guard guard(inLock_);
    if (!input_.Allocated()) return false;
    if (input_.Full()) {
        inputHeldBack_ = true;
        return true;
    }
    {
        std::lock_guard state(stateLock_);
        lineErrors_ |= DeviceLineErrors() & sio::LineErrorMask;
    }
    // Device reads return at once with what the driver holds, so the device is asked for as
    // much as the ring can take instead of first being asked how much it holds.
    auto readPiece = [this] {
        const std::uint32_t size = std::min(input_.FreeSpace(), input_.ContiguousFree());
        std::uint8_t* at = input_.WritePointer();
        std::int32_t got = DeviceRead(at, size);
        if (got < 0) {
            DeviceEvents(-1);
            got = 0;
        }
        const auto count = std::min(static_cast<std::uint32_t>(got), size);
        if (count > 0) Log(sio::lgDispatch, sio::lgReadCom, count, at, count);
        input_.Commit(count);
        return count == size;
    };
    const std::uint64_t before = input_.Head();
    // At most two reads: up to the end of the ring, then from its start.
    if (readPiece() && !input_.Full()) readPiece();
    inputHeldBack_ = input_.Full();
    return input_.Head() != before;
}

// --- Output --------------------------------------------------------------------------------

std::int32_t TSioBaseDispatcher::SendBlock(const void* data, std::uint32_t length) {
    if (length == 0) return sio::ecOK;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t errors = 0;
    {
        std::lock_guard guard(outLock_);
        if (!output_.Allocated() || !IsOpen()) return sio::ecCommNotOpen;
        // Bytes queued for a device that has gone would be dropped unseen.
        if (deviceLost_ != 0) return sio::ecDeviceLost;
        errors = DeviceLineErrors();
        if (length > output_.FreeSpace()) return sio::ecOutputBufferTooSmall;
        if (DeviceWrite(bytes, length) <= 0) {
            TSioDeviceStatus status;
            DeviceStatus(status);
            return sio::ecPutBlockFail;
        }
        outputQueued_ = true;
    }
    std::lock_guard state(stateLock_);
    // An armed output-sent trigger fires at the dispatcher thread's next look: make it now.
    for (const auto& t : statusTriggers_)
        if (t.Armed && t.Kind == sio::StatusOutSent) {
            WakeUnlessDispatching();
            break;
        }
    // Errors read here join the pending ones rather than replacing them, so none is lost.
    lineErrors_ |= errors & sio::LineErrorMask;
    Log(sio::lgDispatch, sio::lgWriteCom, length, bytes, length);
    Trace('T', bytes, length);
    return sio::ecOK;
}

std::uint32_t TSioBaseDispatcher::OutputPending() {
    return OutputRingCount();
}

std::uint32_t TSioBaseDispatcher::OutputFree() {
    std::lock_guard guard(outLock_);
    return output_.FreeSpace();
}

std::int32_t TSioBaseDispatcher::DiscardOutput() {
    if (!IsOpen()) return sio::ecOK;
    return DevicePurge(sio::PurgeOutput);
}

std::uint32_t TSioBaseDispatcher::QueueOutput(const std::uint8_t* data, std::uint32_t size) {
    std::lock_guard guard(outLock_);
    return output_.Write(data, size);
}

std::uint32_t TSioBaseDispatcher::OutputRingCount() {
    std::lock_guard guard(outLock_);
    return output_.Pending();
}

std::span<const std::uint8_t> TSioBaseDispatcher::TakeOutputStretch() {
    std::lock_guard guard(outLock_);
    return output_.NextStretch();
}

void TSioBaseDispatcher::AdvanceOutput(std::uint32_t sent) {
    std::lock_guard guard(outLock_);
    output_.Advance(sent);
}

void TSioBaseDispatcher::ClearOutputRing() {
    std::lock_guard guard(outLock_);
    output_.Clear();
}

bool TSioBaseDispatcher::OutputRingEmpty() {
    return OutputRingCount() == 0;
}

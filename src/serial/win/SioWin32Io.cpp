#include "SioWin32Io.h"

bool TSioWin32Event::Create(bool manualReset) {
    Close();
    handle_ = ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
    return handle_ != nullptr;
}

void TSioWin32Event::Close() {
    if (handle_) ::CloseHandle(handle_);
    handle_ = nullptr;
}

void TSioWin32Event::Set() const {
    if (handle_) ::SetEvent(handle_);
}

OVERLAPPED* TSioWin32Overlapped::Prepare() {
    record_ = OVERLAPPED{};
    record_.hEvent = event_.Get();
    ::ResetEvent(record_.hEvent);
    return &record_;
}

TSioIoOutcome TSioWin32Overlapped::Collect(HANDLE device, bool wait) {
    TSioIoOutcome outcome;
    DWORD bytes = 0;
    outcome.Ok = ::GetOverlappedResult(device, &record_, &bytes, wait ? TRUE : FALSE) != FALSE;
    if (!outcome.Ok) outcome.Error = ::GetLastError();
    // A cancelled transfer still reports what it moved before it was stopped.
    outcome.Bytes = outcome.Ok ? bytes : static_cast<std::uint32_t>(record_.InternalHigh);
    return outcome;
}

TSioIoOutcome TSioWin32Overlapped::Finish(HANDLE device, BOOL started, HANDLE wake, DWORD limitMs) {
    if (started) return Collect(device, false);
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        TSioIoOutcome failed;
        failed.Error = error;
        return failed;
    }
    const HANDLE handles[2] = {record_.hEvent, wake};
    const DWORD woke = ::WaitForMultipleObjects(wake ? 2 : 1, handles, FALSE, limitMs);
    if (woke == WAIT_OBJECT_0) {
        TSioIoOutcome outcome = Collect(device, false);
        outcome.Pended = true;
        return outcome;
    }
    // Woken or out of time: stop the operation and wait until the system lets go of the record.
    TSioIoOutcome outcome = CancelAndCollect(device);
    outcome.Pended = true;
    return outcome;
}

TSioIoOutcome TSioWin32Overlapped::CancelAndCollect(HANDLE device) {
    Cancel(device);
    TSioIoOutcome outcome = Collect(device, true);
    outcome.Interrupted = true;
    return outcome;
}

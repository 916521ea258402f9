#pragma once

#include <cstdint>

#include "SioWin32Windows.h"

// A system event object owned by one C++ object; invalid until created.
class TSioWin32Event {
  public:
    TSioWin32Event() = default;
    ~TSioWin32Event() { Close(); }
    TSioWin32Event(const TSioWin32Event&) = delete;
    TSioWin32Event& operator=(const TSioWin32Event&) = delete;

    bool Create(bool manualReset);
    void Close();
    bool Valid() const { return handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    void Set() const;

  private:
    HANDLE handle_ = nullptr;
};

// How an overlapped operation ended.
struct TSioIoOutcome {
    bool Ok = false;           // it completed successfully
    std::uint32_t Error = 0;   // the system's number when it did not
    std::uint32_t Bytes = 0;   // bytes moved, also by an operation that was cancelled
    bool Pended = false;       // it did not end inside the call that started it
    bool Interrupted = false;  // the wake-up event or the time limit ended it: it was cancelled
};

// An overlapped record with its own manual-reset event, for one operation at a time. Finish
// never returns while the operation is still in progress: whatever ends the wait, the record and
// the caller's buffers are free again afterwards.
class TSioWin32Overlapped {
  public:
    bool Create() { return event_.Create(true); }
    void Close() { event_.Close(); }
    bool Valid() const { return event_.Valid(); }

    // A zeroed record whose event is reset, to start the next operation with.
    OVERLAPPED* Prepare();
    // Ends the operation that `started` reports (the result of the call that began it): waits
    // for it, for `wake` (may be null) or for `limitMs`; the last two cancel it.
    TSioIoOutcome Finish(HANDLE device, BOOL started, HANDLE wake, DWORD limitMs);

    // For an operation left pending while its thread waits for other things too: the event that
    // is set when it ends, its result once it has ended (or, with `wait`, once it ends), a cancel
    // that waits until the system lets go of the record, and one that leaves that to the owner.
    HANDLE Event() const { return event_.Get(); }
    TSioIoOutcome Collect(HANDLE device, bool wait);
    TSioIoOutcome CancelAndCollect(HANDLE device);
    // Asks for the operation to end early; its owner collects it as usual.
    void Cancel(HANDLE device) { ::CancelIoEx(device, &record_); }

  private:
    OVERLAPPED record_{};
    TSioWin32Event event_;
};

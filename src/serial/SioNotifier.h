#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class TSioBaseDispatcher;

// One notification: a message number and two parameters. Call, when set, is work to run on the
// receiver's thread instead of its procedure (see TSioNotifier::Invoke). From is the dispatcher
// whose trigger handlers the message runs, when it is one of theirs.
struct TSioMessage {
    std::uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::shared_ptr<const std::function<void()>> Call;
    const TSioBaseDispatcher* From = nullptr;
};

// The procedure that handles the messages of one notifier, on the notifier's owner thread.
using TSioWindowProc = std::function<std::intptr_t(const TSioMessage&)>;

// A notification target bound to one thread, its owner: worker threads hand it messages, and
// its procedure runs them on the owner thread, one at a time. Implementations supply the
// transport (a Qt object in the GUI thread, or the plain TSioMessageLoop); they must hand every
// message to Deliver on the owner thread. A notifier is destroyed on its owner thread.
class TSioNotifier {
  public:
    explicit TSioNotifier(TSioWindowProc procedure);
    virtual ~TSioNotifier();
    TSioNotifier(const TSioNotifier&) = delete;
    TSioNotifier& operator=(const TSioNotifier&) = delete;

    // Queues a message for the owner thread and returns at once (any thread). False when the
    // message could not be queued.
    virtual bool Post(const TSioMessage& message) = 0;

    // Hands a message to the owner thread and waits until its procedure has returned, at most
    // `timeout`. From the owner thread itself the procedure runs at once. Returns the
    // procedure's result, or nothing when the wait gave up; a message whose sender gave up
    // before it was taken is dropped, never delivered late.
    virtual std::optional<std::intptr_t> Send(const TSioMessage& message,
                                              std::chrono::milliseconds timeout) = 0;

    // Owner thread only: delivers one pending message, if any. True when one was delivered.
    virtual bool PumpOne() = 0;

    // Runs `work` on the owner thread through Send; true when it ran within the timeout.
    bool Invoke(std::function<void()> work, std::chrono::milliseconds timeout);

    std::thread::id OwnerThread() const { return owner_; }
    bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

    // Delivers one pending message of every notifier owned by the calling thread: what the
    // dispatcher does while it waits for its worker threads, so that a worker blocked in a Send
    // to this thread can finish. True when any message was delivered.
    static bool PumpCallingThread();

  protected:
    // Owner thread: runs the message's work or the procedure.
    std::intptr_t Deliver(const TSioMessage& message);

  private:
    TSioWindowProc procedure_;
    std::thread::id owner_;
};

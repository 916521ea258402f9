// The lifetime of a port's notification window against the dispatcher's threads and against
// its own procedure, and the close-completion message as the port's handlers see it.
#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>

#include "PortFixture.h"
#include "SioMessageLoop.h"
#include "SioPortHooks.h"

using State = TSioCustomComPort::TPortState;

namespace {

// What the probes saw, shared with the test (a probe may be gone when the test looks).
struct TProbeLog {
    std::mutex lock;
    std::set<const void*> alive;
    std::multiset<const void*> delivering;
    std::atomic<int> sendersInside{0};
    std::atomic<bool> holdSenders{false};
    bool destroyedWhileSending = false;
    bool destroyedWhileDelivering = false;

    bool Alive(const void* probe) {
        std::lock_guard guard(lock);
        return alive.count(probe) != 0;
    }
};

TProbeLog& Log() {
    static TProbeLog log;
    return log;
}

// A notification window that records being destroyed while a worker is inside its Send or
// while its own procedure runs. Optionally it holds each sender a while before queuing, the
// moment in which a dispatcher thread has picked the window but not yet reached it.
class TProbeNotifier final : public TSioNotifier {
  public:
    explicit TProbeNotifier(TSioWindowProc procedure)
        : TSioNotifier(std::move(procedure)), loop_([this](const TSioMessage& m) {
              TProbeNotifier* self = this;  // the procedure may destroy this window
              {
                  std::lock_guard guard(Log().lock);
                  Log().delivering.insert(self);
              }
              const std::intptr_t result = self->Deliver(m);
              std::lock_guard guard(Log().lock);
              Log().delivering.erase(Log().delivering.find(self));
              return result;
          }) {
        std::lock_guard guard(Log().lock);
        Log().alive.insert(this);
    }
    ~TProbeNotifier() override {
        std::lock_guard guard(Log().lock);
        Log().alive.erase(this);
        if (Log().sendersInside > 0) Log().destroyedWhileSending = true;
        if (Log().delivering.count(this) != 0) Log().destroyedWhileDelivering = true;
    }

    bool Post(const TSioMessage& message) override { return loop_.Post(message); }
    bool PumpOne() override { return loop_.PumpOne(); }
    std::optional<std::intptr_t> Send(const TSioMessage& message,
                                      std::chrono::milliseconds timeout) override {
        if (OnOwnerThread()) return Deliver(message);
        const TProbeNotifier* self = this;
        ++Log().sendersInside;
        if (Log().holdSenders)
            WaitUntil([self] { return !Log().Alive(self); }, std::chrono::milliseconds(300));
        std::optional<std::intptr_t> result;
        if (Log().Alive(self)) result = loop_.Send(message, timeout);
        --Log().sendersInside;
        return result;
    }

  private:
    TSioMessageLoop loop_;
};

class PortWindowFixture : public PortFixture {
  protected:
    PortWindowFixture() {
        Log().destroyedWhileSending = Log().destroyedWhileDelivering = false;
        Log().holdSenders = false;
        SetSioNotifierFactory([](TSioWindowProc procedure) -> std::unique_ptr<TSioNotifier> {
            return std::make_unique<TProbeNotifier>(std::move(procedure));
        });
    }
    ~PortWindowFixture() override { SetSioNotifierFactory({}); }
};

}  // namespace

// An open undone by a failing OnPortOpen while a notification is on its way: the worker
// threads must be gone before the window they are about to reach.
TEST_F(PortWindowFixture, AFailedOpenEndsTheThreadsBeforeTheirWindow) {
    port.OnTriggerAvail = [](TSioPort, std::uint16_t) {};
    port.OnPortOpen = [this](TSioPort) {
        Log().holdSenders = true;
        device->Arrive("x");
        if (!WaitUntil([] { return Log().sendersInside == 1; }))
            throw std::logic_error("no notification on its way");
        throw std::runtime_error("open refused");
    };
    EXPECT_THROW(port.SetOpen(true), std::runtime_error);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);
    EXPECT_FALSE(Log().destroyedWhileSending);
    EXPECT_EQ(Log().sendersInside, 0);
}

// A reopen pending behind a deferred close runs inside the old window's procedure; when the
// new port is closed again from its OnPortOpen, neither window may go while the old one runs.
TEST_F(PortWindowFixture, NoWindowIsDestroyedWhileItsProcedureRuns) {
    int avail = 0, opens = 0;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        while (count--) p->ReadChar();
        if (++avail == 1) {
            p->SetOpen(false);
            p->SetOpen(true);
        }
    };
    port.OnPortOpen = [&](TSioPort p) {
        if (++opens == 2) p->SetOpen(false);
    };
    port.SetOpen(true);
    device->Arrive("a");
    ASSERT_TRUE(Until([&] { return opens == 2 && port.State() == State::StateClosed; }));
    EXPECT_FALSE(Log().destroyedWhileDelivering);
    EXPECT_TRUE(shown.empty()) << shown.front();

    // The kept windows go at the next chance and the port works on.
    port.SetOpen(true);
    device->Arrive("b");
    ASSERT_TRUE(Until([&] { return avail == 2; }));
    EXPECT_FALSE(Log().destroyedWhileDelivering);
}

TEST_F(PortWindowFixture, OnTriggerHearsTheCloseCompletion) {
    std::vector<std::uint16_t> messages;
    port.OnTrigger = [&](TSioPort, std::uint16_t msg, std::uint16_t, std::uint16_t) {
        messages.push_back(msg);
    };
    port.OnTriggerAvail = [](TSioPort p, std::uint16_t) { p->SetOpen(false); };
    port.SetOpen(true);
    device->Arrive("a");
    ASSERT_TRUE(Until([&] { return port.State() == State::StateClosed; }));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), sio::TriggerMsgAvail);
    EXPECT_EQ(messages.back(), sio::PortMsgClosing);
}

// A registered user failing while the port closes does not leave it half closed.
TEST_F(PortWindowFixture, AFailingUserStillLetsThePortClose) {
    port.RegisterUserEventCallback([](TSioPort, int kind) {
        if (kind == 1) throw std::runtime_error("user failed");
    });
    port.SetOpen(true);
    EXPECT_THROW(port.SetOpen(false), std::runtime_error);
    EXPECT_EQ(port.State(), State::StateClosed);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

// The status-light controller on a com port over the scripted device with real threads.
#include <stdexcept>

#include "PortFixture.h"
#include "SioStatLt.h"

namespace {

// A lamp that remembers every switch.
class TTestLight final : public TSioLight {
  public:
    bool Lit() const override { return lit_; }
    void SetLit(bool lit) override {
        lit_ = lit;
        history.push_back(lit);
    }
    std::vector<bool> history;

  private:
    bool lit_ = false;
};

struct TTriggerCounts {
    std::size_t timers = 0, status = 0, outSent = 0;
};

TTriggerCounts Count(TSioBaseDispatcher* d) {
    TriggerSnapshot s;
    d->SaveTriggers(s);
    TTriggerCounts c{s.Timers.size(), s.Status.size(), 0};
    for (const auto& t : s.Status)
        if (t.Kind == sio::StatusOutSent) ++c.outSent;
    return c;
}

class LightsFixture : public PortFixture {
  protected:
    LightsFixture() {
        controller.Lights().SetTXDLight(&tx);
        controller.Lights().SetRXDLight(&rx);
        port.OnTriggerAvail = [this](TSioPort p, std::uint16_t count) {
            counts.push_back(count);
            rxLitInHandler.push_back(rx.Lit());
            for (std::uint16_t i = 0; i < count; ++i) p->ReadChar();
        };
    }

    // One byte arrives and must reach the owner exactly once, with the receive light lit.
    void ExpectOneDelivery() {
        const std::size_t before = counts.size();
        device->Arrive("z");
        ASSERT_TRUE(Until([&] { return counts.size() == before + 1; }));
        EXPECT_EQ(counts.back(), 1);
        EXPECT_TRUE(rxLitInHandler.back());
        ASSERT_TRUE(Until([&] { return !rx.Lit(); }));
        EXPECT_EQ(counts.size(), before + 1);
    }

    // The transmit light comes on for a write and goes off once the output has drained.
    void ExpectTransmitFlash() {
        tx.history.clear();
        port.WriteString("ping");
        ASSERT_TRUE(Until([&] { return tx.history.size() >= 2; }));
        EXPECT_EQ(tx.history[0], true);
        EXPECT_EQ(tx.history[1], false);
        EXPECT_EQ(port.OutputPending(), 0);
    }

    TTestLight tx, rx;
    TSioSLController controller{&port};
    std::vector<std::uint16_t> counts;
    std::vector<bool> rxLitInHandler;
};

}  // namespace

TEST_F(LightsFixture, TransmitAndReceiveLightsMakeOnlyTheirOwnTriggers) {
    EXPECT_EQ(controller.ComPort(), &port);
    port.SetOpen(true);
    controller.SetMonitoring(true);
    controller.SetMonitoring(true);
    const TTriggerCounts c = Count(port.Dispatcher());
    EXPECT_EQ(c.timers, 2u);
    EXPECT_EQ(c.status, 1u);
    EXPECT_EQ(c.outSent, 1u);

    ExpectOneDelivery();
    ExpectTransmitFlash();

    controller.SetMonitoring(false);
    const TTriggerCounts after = Count(port.Dispatcher());
    EXPECT_EQ(after.timers + after.status, 0u);
    // The owner's handler is back in place.
    device->Arrive("y");
    ASSERT_TRUE(Until([&] { return counts.size() == 2; }));
    EXPECT_FALSE(rxLitInHandler.back());
}

TEST_F(LightsFixture, MonitoringFollowsThePortThroughCloseReopenAndNewNumber) {
    controller.SetMonitoring(true);  // closed: only pending
    EXPECT_FALSE(controller.Monitoring());
    EXPECT_TRUE(controller.MonitorPending());

    port.OnPortOpen = [this](TSioPort) { controller.SetMonitoring(true); };
    port.SetOpen(true);
    EXPECT_TRUE(controller.Monitoring());
    ExpectOneDelivery();

    for (int i = 0; i < 3; ++i) {
        port.SetOpen(false);
        EXPECT_FALSE(controller.Monitoring());
        EXPECT_TRUE(controller.MonitorPending());
        EXPECT_FALSE(tx.Lit());
        EXPECT_FALSE(rx.Lit());
        port.SetOpen(true);
        EXPECT_TRUE(controller.Monitoring());
        ExpectOneDelivery();
    }
    // No orphans pile up in the port's snapshot across reopens.
    const TTriggerCounts c = Count(port.Dispatcher());
    EXPECT_EQ(c.timers, 2u);
    EXPECT_EQ(c.status, 1u);

    port.SetComNumber(7);
    EXPECT_EQ(opened.back(), "COM7");
    EXPECT_TRUE(controller.Monitoring());
    ExpectOneDelivery();
    ExpectTransmitFlash();
    EXPECT_TRUE(shown.empty()) << shown.front();
}

TEST_F(LightsFixture, PortOrLightGoingAwayLeavesNoReference) {
    EXPECT_THROW(TSioSLController().SetMonitoring(true), EPortNotAssigned);
    {
        TTestLight extra;
        controller.Lights().SetCTSLight(&extra);
        EXPECT_EQ(controller.Lights().CTSLight(), &extra);
    }
    EXPECT_EQ(controller.Lights().CTSLight(), nullptr);

    auto other = std::make_unique<TSioComPort>();
    other->SetDispatcherFactory([](TSioCustomComPort&) {
        return std::unique_ptr<TSioBaseDispatcher>(
            std::make_unique<TFakeSerialDevice>(nullptr, true));
    });
    other->SetComNumber(3);
    int ownerCalls = 0;
    other->OnTriggerAvail = [&](TSioPort, std::uint16_t) { ++ownerCalls; };
    other->SetOpen(true);
    controller.SetComPort(other.get());
    controller.SetMonitoring(true);
    EXPECT_TRUE(controller.Monitoring());
    other.reset();
    EXPECT_EQ(controller.ComPort(), nullptr);
    EXPECT_FALSE(controller.Monitoring());
}

// Monitoring asked for while a close from a handler is still finishing (the Connect button
// pressed meanwhile) starts with the reopen, with working lights and the owner's handler reached.
TEST_F(LightsFixture, MonitoringAskedForDuringADeferredCloseStartsWithTheReopen) {
    port.OnPortOpen = [this](TSioPort) { controller.SetMonitoring(true); };
    port.SetOpen(true);
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        counts.push_back(count);
        rxLitInHandler.push_back(rx.Lit());
        while (count--) p->ReadChar();
        if (counts.size() == 1) {
            p->SetOpen(false);
            p->SetOpen(true);
            controller.SetMonitoring(true);
            EXPECT_FALSE(controller.Monitoring());
        }
    };
    device->Arrive("a");
    ASSERT_TRUE(Until([&] {
        return opened.size() == 2 && port.State() == TSioCustomComPort::TPortState::StateOpen;
    }));
    EXPECT_TRUE(controller.Monitoring());
    ExpectOneDelivery();
    ExpectTransmitFlash();
    EXPECT_TRUE(shown.empty()) << shown.front();
}

// Triggers left from one port's monitoring are never dropped on another port.
TEST_F(LightsFixture, AnotherPortKeepsItsOwnTriggers) {
    controller.SetMonitoring(true);
    port.SetOpen(true);
    port.SetOpen(false);  // the lights' triggers stay in this port's snapshot

    TSioComPort other;
    other.SetDispatcherFactory([](TSioCustomComPort&) {
        return std::unique_ptr<TSioBaseDispatcher>(
            std::make_unique<TFakeSerialDevice>(nullptr, true));
    });
    other.SetComNumber(2);
    other.SetOpen(true);
    std::vector<std::uint16_t> timers;
    for (int i = 0; i < 4; ++i) timers.push_back(other.NewTimerTrigger());
    other.SetOpen(false);
    controller.SetComPort(&other);
    other.SetOpen(true);  // brings the four timers back and starts the lights
    for (std::uint16_t timer : timers) EXPECT_NO_THROW(other.ArmTimerTrigger(timer, 1, false));
}

// An open undone by a failing OnPortOpen after the lights had started leaves them waiting for
// the next open, not watching a port that is gone.
TEST_F(LightsFixture, AnOpenUndoneAfterTheLightsStartedLeavesThemPending) {
    controller.SetMonitoring(true);
    bool refuse = true;
    port.OnPortOpen = [&](TSioPort) {
        if (refuse) throw std::runtime_error("open refused");
    };
    EXPECT_THROW(port.SetOpen(true), std::runtime_error);
    EXPECT_FALSE(controller.Monitoring());
    EXPECT_TRUE(controller.MonitorPending());

    refuse = false;
    port.SetOpen(true);
    EXPECT_TRUE(controller.Monitoring());
    ExpectOneDelivery();
    ExpectTransmitFlash();
    EXPECT_TRUE(shown.empty()) << shown.front();
}

// A port whose triggers are used up cannot be watched, but the controller still follows it and
// never keeps a reference to it once it is gone.
TEST_F(LightsFixture, APortWithoutFreeTriggersIsStillFollowed) {
    controller.SetMonitoring(true);  // pending on the closed port
    auto other = std::make_unique<TSioComPort>();
    other->SetDispatcherFactory([](TSioCustomComPort&) {
        return std::unique_ptr<TSioBaseDispatcher>(
            std::make_unique<TFakeSerialDevice>(nullptr, true));
    });
    other->SetComNumber(2);
    other->SetOpen(true);
    try {
        for (;;) other->NewTimerTrigger();
    } catch (const ENoMoreTriggers&) {
    }
    EXPECT_THROW(controller.SetComPort(other.get()), ENoMoreTriggers);
    EXPECT_EQ(controller.ComPort(), other.get());
    EXPECT_FALSE(controller.Monitoring());
    other.reset();
    EXPECT_EQ(controller.ComPort(), nullptr);
}

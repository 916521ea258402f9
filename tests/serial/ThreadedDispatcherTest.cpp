#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "FakeSerialDevice.h"
#include "SioErrorCodes.h"
#include "SioMessageLoop.h"
#include "WaitUntil.h"

using namespace std::chrono_literals;
using namespace sio;

namespace {

TSioMessage Message(std::uint32_t number, std::uintptr_t wParam = 0) {
    TSioMessage m;
    m.Msg = number;
    m.WParam = wParam;
    return m;
}

TEST(MessageLoop, PostedMessagesRunOnTheOwnerInOrder) {
    std::vector<std::uint32_t> seen;
    TSioMessageLoop loop([&](const TSioMessage& m) {
        seen.push_back(m.Msg);
        return std::intptr_t{0};
    });
    std::thread poster([&] {
        loop.Post(Message(1));
        loop.Post(Message(2));
    });
    poster.join();
    EXPECT_TRUE(loop.PumpOne());
    EXPECT_TRUE(loop.PumpOne());
    EXPECT_FALSE(loop.PumpOne());
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2}));
}

TEST(MessageLoop, SendWaitsForTheProcedureAndReturnsItsResult) {
    std::thread::id ranOn;
    TSioMessageLoop loop([&](const TSioMessage& m) {
        ranOn = std::this_thread::get_id();
        return static_cast<std::intptr_t>(m.WParam * 2);
    });
    std::optional<std::intptr_t> answer;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        answer = loop.Send(Message(7, 21), 5s);
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }, 10s, [&] { loop.PumpOne(); }));
    sender.join();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 42);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    // From the owner thread itself the procedure runs at once.
    EXPECT_EQ(loop.Send(Message(7, 5), 0ms), 10);
}

TEST(MessageLoop, AMessageWhoseSenderGaveUpIsNeverDelivered) {
    int calls = 0;
    TSioMessageLoop loop([&](const TSioMessage&) {
        ++calls;
        return std::intptr_t{0};
    });
    std::optional<std::intptr_t> answer = 1;
    std::thread sender([&] { answer = loop.Send(Message(9), 20ms); });
    sender.join();
    EXPECT_FALSE(answer.has_value());
    EXPECT_FALSE(loop.PumpOne());
    EXPECT_EQ(calls, 0);
}

TEST(MessageLoop, AFullQueueRefusesMoreMessagesAndSaysSo) {
    TSioMessageLoop loop;
    for (std::size_t i = 0; i < TSioMessageLoop::MaxPending; ++i)
        ASSERT_TRUE(loop.Post(Message(1)));
    EXPECT_FALSE(loop.Post(Message(2)));
    std::optional<std::intptr_t> answer = 1;
    std::thread sender([&] { answer = loop.Send(Message(3), 5s); });
    sender.join();  // gave up at once, not after 5 s
    EXPECT_FALSE(answer.has_value());
    EXPECT_TRUE(loop.PumpOne());
    EXPECT_TRUE(loop.Post(Message(2)));
}

TEST(MessageLoop, InvokeRunsWorkOnTheOwnerAndRunQuits) {
    TSioMessageLoop loop;
    std::thread::id ranOn;
    std::thread worker([&] {
        EXPECT_TRUE(loop.Invoke([&] { ranOn = std::this_thread::get_id(); }, 5s));
        loop.Quit();
    });
    loop.Run();
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MessageLoop, AnOwnerAsleepIsWokenForEveryMessageWhichRunsOnceAndInItsSendersOrder) {
    // Two threads post and one sends, each message only after the last one it queued has run
    // or is queued; an owner that slept through a message would miss a send (it gives up) or
    // come back empty from a wait that ends only after 10 s.
    constexpr std::uintptr_t kEach = 300;
    std::vector<std::uintptr_t> seen[3];
    TSioMessageLoop loop([&](const TSioMessage& m) {
        seen[m.Msg].push_back(m.WParam);
        return std::intptr_t{0};
    });
    std::atomic<int> sendsAnswered{0};
    std::thread senders[] = {
        std::thread([&] {
            for (std::uintptr_t i = 0; i < kEach; ++i) loop.Post(Message(0, i));
        }),
        std::thread([&] {
            for (std::uintptr_t i = 0; i < kEach; ++i) {
                loop.Post(Message(1, i));
                std::this_thread::yield();
            }
        }),
        std::thread([&] {
            for (std::uintptr_t i = 0; i < kEach; ++i) {
                if (!loop.Send(Message(2, i), 5s).has_value()) return;
                ++sendsAnswered;
            }
        }),
    };
    bool everyWaitDelivered = true;
    for (std::uintptr_t delivered = 0; delivered < 3 * kEach && everyWaitDelivered; ++delivered)
        everyWaitDelivered = loop.WaitAndPumpOne(10s);
    for (auto& sender : senders) sender.join();
    EXPECT_TRUE(everyWaitDelivered);
    EXPECT_EQ(sendsAnswered, static_cast<int>(kEach));
    std::vector<std::uintptr_t> inOrder(kEach);
    for (std::uintptr_t i = 0; i < kEach; ++i) inOrder[i] = i;
    for (const auto& messages : seen) EXPECT_EQ(messages, inOrder);
    EXPECT_FALSE(loop.WaitAndPumpOne(0ms));

    // Quit wakes an owner that sleeps in Run with nothing to do.
    std::thread quitter([&] {
        std::this_thread::sleep_for(20ms);
        loop.Quit();
    });
    loop.Run();
    quitter.join();
}

// A port with real worker threads whose notifications reach a loop of the test thread.
struct ThreadedPort : ::testing::Test {
    ThreadedPort()
        : loop([this](const TSioMessage& m) {
              if (onMessage) onMessage(m);
              return std::intptr_t{0};
          }) {}
    // The port's threads end before the clock they read goes; a message the closing pumps
    // deliver no longer reaches a handler whose captures died with the test body.
    ~ThreadedPort() override {
        onMessage = nullptr;
        port.reset();
    }

    // With a `clock`, time moves only when the test moves it.
    void Open(TSioClock* clock = nullptr) {
        port = std::make_unique<TFakeSerialDevice>(clock, true);
        ASSERT_EQ(port->OpenDefault(), 0);
        port->AttachWindow(&loop);
        port->RecomputeHandlerNeed(1);
        port->SetAvailThreshold(1);
    }

    bool Pump(const std::function<bool()>& condition) {
        return WaitUntil(condition, 10s, [&] { loop.WaitAndPumpOne(5ms); });
    }

    TSioMessageLoop loop;
    std::function<void(const TSioMessage&)> onMessage;
    TFakeClock clock;  // moved by hand, for the tests that open the port with it
    std::unique_ptr<TFakeSerialDevice> port;
};

TEST_F(ThreadedPort, BytesArriveAsNotificationsAndQueuedBytesLeaveInOrder) {
    Open();
    ASSERT_TRUE(port->ThreadsStarted());
    EXPECT_EQ(port->RunningThreads(), 3);
    std::string got;
    onMessage = [&](const TSioMessage& m) {
        EXPECT_EQ(m.Msg, TriggerMsgAvail);
        for (std::uintptr_t i = 0; i < m.WParam; ++i)
            got.push_back(static_cast<char>(port->ReadChar()));
    };
    port->Arrive("hello");
    ASSERT_TRUE(Pump([&] { return got == "hello"; }));
    port->Arrive(" world");
    ASSERT_TRUE(Pump([&] { return got == "hello world"; }));

    std::string expected;
    for (int i = 0; i < 50; ++i) {
        const std::string block =
            "block" + std::to_string(i) + std::string(100, static_cast<char>('a' + i % 26));
        while (port->SendBlock(block.data(), static_cast<std::uint32_t>(block.size())) ==
               ecOutputBufferTooSmall)
            ASSERT_TRUE(WaitUntil([&] { return port->OutputFree() >= block.size(); }));
        expected += block;
    }
    ASSERT_TRUE(WaitUntil([&] { return port->Sent().size() == expected.size(); }));
    EXPECT_EQ(port->Sent(), expected);
    port->ClosePort();
    EXPECT_FALSE(port->ThreadsStarted());
    EXPECT_EQ(port->RunningThreads(), 0);
}

TEST_F(ThreadedPort, BytesWaitingForTheirHandlerAreHandedOutOnceAndOnlyToIt) {
    // A read on the owner thread outside the handler, while the notification waits for that
    // thread, once took the handler's bytes without moving the tail, and the handler read them
    // again.
    Open();
    std::string got;
    onMessage = [&](const TSioMessage& m) {
        for (std::uintptr_t i = 0; i < m.WParam; ++i)
            got.push_back(static_cast<char>(port->ReadChar()));
    };
    port->Arrive("abc");
    ASSERT_TRUE(WaitUntil([&] { return port->DispatchInProgress(); }));
    EXPECT_EQ(port->ReadChar(), ecBufferIsEmpty);
    EXPECT_EQ(port->PeekNth(1), ecBufferIsEmpty);
    EXPECT_EQ(port->InputCount(), 3u);  // still there, and still to come
    ASSERT_TRUE(Pump([&] { return got == "abc" && !port->DispatchInProgress(); }));
    EXPECT_EQ(port->ReadChar(), ecBufferIsEmpty);
}

TEST_F(ThreadedPort, CloseInsideAHandlerWaitsUntilTheHandlerHasReturned) {
    Open();
    bool stillOpenInHandler = false;
    onMessage = [&](const TSioMessage&) {
        port->ClosePort();
        stillOpenInHandler = port->ThreadsStarted() && port->ClosePending();
        EXPECT_EQ(port->ReadChar(), 'x');  // the rings live until the handler returns
    };
    port->Arrive("xyz");
    ASSERT_TRUE(Pump([&] { return !port->ThreadsStarted(); }));
    EXPECT_TRUE(stillOpenInHandler);
    EXPECT_EQ(port->RunningThreads(), 0);
    EXPECT_EQ(port->ReadChar(), ecBufferIsEmpty);
    port.reset();
}

TEST_F(ThreadedPort, SynchronousEventHandlersRunOnTheirOwnersThread) {
    Open();
    std::atomic<int> calls{0};
    std::thread::id ranOn;
    port->AddEventHandler(TSioTriggerMethod([&](const TSioMessage&) {
                              ranOn = std::this_thread::get_id();
                              ++calls;
                          }),
                          &loop);
    port->Arrive("q");
    ASSERT_TRUE(Pump([&] { return calls > 0; }));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(ThreadedPort, TimersFireWhenTheirTimeComesWhileTheDispatcherSleeps) {
    // The clock moves only when the test moves it, straight to each timer's due time: a
    // dispatcher thread that slept past that time would never fire the timer.
    Open(&clock);
    auto dueAfter = [&](std::uint32_t ticks) {
        TSioEventTimer model;
        model.Start(clock.NowMs(), ticks);
        return clock.NowMs() + model.MsUntilExpired(clock.NowMs());
    };
    const std::int32_t shortOne = port->NewTimerTrigger();
    const std::int32_t longOne = port->NewTimerTrigger();
    std::vector<std::pair<std::uintptr_t, std::uint32_t>> fired;  // handle, clock when fired
    std::uint32_t rearmedDue = 0;
    onMessage = [&](const TSioMessage& m) {
        if (m.Msg != TriggerMsgTimer) return;
        fired.emplace_back(m.WParam, clock.NowMs());
        // Armed again from its own handler, as the status lights do.
        if (m.WParam == static_cast<std::uintptr_t>(shortOne) && rearmedDue == 0) {
            rearmedDue = dueAfter(1);
            port->ArmTimerTrigger(shortOne, 1, true);
        }
    };
    const std::uint32_t shortDue = dueAfter(2);
    const std::uint32_t longDue = dueAfter(5);
    ASSERT_EQ(port->ArmTimerTrigger(shortOne, 2, true), 0);
    ASSERT_EQ(port->ArmTimerTrigger(longOne, 5, true), 0);

    clock.Advance(shortDue - clock.NowMs());
    ASSERT_TRUE(Pump([&] { return fired.size() == 1; })) << "the 2-tick timer did not fire";
    EXPECT_EQ(fired[0], std::make_pair(static_cast<std::uintptr_t>(shortOne), shortDue));
    ASSERT_LT(rearmedDue, longDue);
    clock.Advance(rearmedDue - clock.NowMs());
    ASSERT_TRUE(Pump([&] { return fired.size() == 2; })) << "the re-armed timer did not fire";
    EXPECT_EQ(fired[1], std::make_pair(static_cast<std::uintptr_t>(shortOne), rearmedDue));
    clock.Advance(longDue - clock.NowMs());
    ASSERT_TRUE(Pump([&] { return fired.size() == 3; })) << "the 5-tick timer did not fire";
    EXPECT_EQ(fired[2], std::make_pair(static_cast<std::uintptr_t>(longOne), longDue));
}

TEST_F(ThreadedPort, StatusTriggersFireWithoutADeviceEvent) {
    Open();
    std::vector<std::int32_t> fired;
    int announced = 0;
    onMessage = [&](const TSioMessage& m) {
        if (m.Msg == TriggerMsgStatus) fired.push_back(static_cast<std::int32_t>(m.WParam));
        if (m.Msg == TriggerMsgAvail) {
            ++announced;
            port->ReadChar();
        }
    };
    auto firedCount = [&](std::int32_t handle) {
        return std::count(fired.begin(), fired.end(), handle);
    };
    // Lets the dispatcher thread finish a pass after the arming, so that the change made next
    // is one it has to find by itself.
    auto settle = [&] {
        const int before = announced;
        port->Arrive(".");
        ASSERT_TRUE(Pump([&] { return announced > before; }));
    };
    // Output sent: armed after bytes were queued, and armed when bytes are queued.
    const std::int32_t sent = port->NewStatusTrigger(StatusOutSent);
    ASSERT_EQ(port->SendBlock("a", 1), 0);
    ASSERT_EQ(port->ArmStatusTrigger(sent, 0, true), 0);
    ASSERT_TRUE(Pump([&] { return firedCount(sent) == 1; }));
    ASSERT_EQ(port->ArmStatusTrigger(sent, 0, true), 0);
    ASSERT_TRUE(Pump([&] { return port->OutputPending() == 0; }));
    ASSERT_EQ(port->SendBlock("b", 1), 0);
    ASSERT_TRUE(Pump([&] { return firedCount(sent) == 2; }));

    // Modem lines, line errors and output levels change without any device event.
    const std::int32_t modem = port->NewStatusTrigger(StatusModem);
    ASSERT_EQ(port->ArmStatusTrigger(modem, ModemCts, true), 0);
    settle();
    port->SetModemLines(ModemCts);
    ASSERT_TRUE(Pump([&] { return firedCount(modem) == 1; }));

    const std::int32_t framing = port->NewStatusTrigger(StatusLine);
    ASSERT_EQ(port->ArmStatusTrigger(framing, 4, true), 0);  // option bit 4: framing
    settle();
    port->SetLineErrors(LineFraming);
    ASSERT_TRUE(Pump([&] { return firedCount(framing) == 1; }));

    const std::int32_t drained = port->NewStatusTrigger(StatusOutUsed);
    port->holdOutput = true;
    ASSERT_EQ(port->SendBlock("xyz", 3), 0);
    ASSERT_EQ(port->ArmStatusTrigger(drained, 0, true), 0);
    settle();
    EXPECT_EQ(firedCount(drained), 0);
    port->holdOutput = false;
    ASSERT_TRUE(Pump([&] { return firedCount(drained) == 1; }));
    EXPECT_EQ(port->OutputPending(), 0u);
}

TEST_F(ThreadedPort, MoreThanTheRingHoldsArrivesWholeFromOneDeviceEvent) {
    Open();
    std::string got;
    onMessage = [&](const TSioMessage& m) {
        for (std::uintptr_t i = 0; i < m.WParam; ++i)
            got.push_back(static_cast<char>(port->ReadChar()));
    };
    std::string block(TSioInputRing::Size + 1808, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 % 251);
    port->Arrive(block);  // one event; the ring is full before the driver is empty
    ASSERT_TRUE(Pump([&] { return got.size() == block.size(); }));
    EXPECT_EQ(got, block);
}

TEST_F(ThreadedPort, BlocksOfAnySizeArriveWholeWhereverTheRingsEndFalls) {
    // Each block starts where the last one left the ring, so reads stop at the ring's end and
    // go on from its start, and a block may end exactly there.
    Open();
    std::string got;
    onMessage = [&](const TSioMessage& m) {
        for (std::uintptr_t i = 0; i < m.WParam; ++i)
            got.push_back(static_cast<char>(port->ReadChar()));
    };
    std::string sent;
    for (const std::size_t size : {100u, 10000u, 6476u, 1u, 8191u, 16384u, 3u}) {
        std::string block(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            block[i] = static_cast<char>((sent.size() + i) * 13 % 253);
        sent += block;
        port->Arrive(block);
        ASSERT_TRUE(Pump([&] { return got.size() == sent.size(); })) << "after " << size;
    }
    EXPECT_EQ(got, sent);
}

TEST_F(ThreadedPort, BytesHeldBackByAFullRingFollowWhenATimerHandlerEmptiesIt) {
    // The ring is emptied outside a receive notification, after the dispatcher thread's last
    // fill found it full and before it decides how long to sleep; no device event follows, so
    // only its look 50 ms later fetches what the driver still holds.
    Open(&clock);
    const std::int32_t timer = port->NewTimerTrigger();
    std::string got;
    int announced = 0;
    std::uint32_t waitsWhenEmptied = 0;
    auto takeAll = [&] {
        for (std::int32_t c; (c = port->ReadChar()) >= 0;) got.push_back(static_cast<char>(c));
    };
    onMessage = [&](const TSioMessage& m) {
        // The first announcement is left unread, so the ring stays full.
        if (m.Msg == TriggerMsgAvail && ++announced > 1) takeAll();
        if (m.Msg == TriggerMsgTimer) {
            takeAll();
            waitsWhenEmptied = clock.Waits();  // the dispatcher thread waits for this handler
        }
    };
    std::string block(TSioInputRing::Size + 100, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 11 % 241);
    port->Arrive(block);
    ASSERT_TRUE(Pump([&] { return announced == 1; }));
    ASSERT_EQ(port->ArmTimerTrigger(timer, 1, true), 0);
    clock.Advance(200);  // the timer is due
    ASSERT_TRUE(Pump([&] { return got.size() == TSioInputRing::Size; }));
    // The look is due 50 ms after the dispatcher thread has gone to sleep again.
    ASSERT_TRUE(WaitUntil([&] { return clock.Waits() > waitsWhenEmptied; }));
    clock.Advance(50);
    ASSERT_TRUE(Pump([&] { return got.size() == block.size(); }));
    EXPECT_EQ(got, block);
}

TEST_F(ThreadedPort, AFailedDeviceWaitLeavesTheDispatcherLookingAtTheDevice) {
    Open();
    std::string got;
    onMessage = [&](const TSioMessage& m) {
        for (std::uintptr_t i = 0; i < m.WParam; ++i)
            got.push_back(static_cast<char>(port->ReadChar()));
    };
    port->FailDeviceWait();
    ASSERT_TRUE(WaitUntil([&] { return port->RunningThreads() == 2; }));
    port->Arrive("late");  // no device-event thread is left to announce it
    ASSERT_TRUE(Pump([&] { return got == "late"; }));
}

TEST_F(ThreadedPort, AWorkerEndingThroughAnExceptionIsStillAccountedFor) {
    port = std::make_unique<TFakeSerialDevice>(nullptr, true);
    port->throwInOutputThread = true;
    ASSERT_EQ(port->OpenDefault(), 0);
    ASSERT_TRUE(WaitUntil([&] { return port->RunningThreads() == 2; }));
    EXPECT_EQ(port->LastThreadError(), "output thread failed");
    port->ClosePort();
    EXPECT_EQ(port->RunningThreads(), 0);
    EXPECT_FALSE(port->ThreadsStarted());
    port.reset();  // must not wait forever
}

TEST_F(ThreadedPort, DestroyingAnOpenPortEndsEveryThread) {
    for (int i = 0; i < 20; ++i) {
        Open();
        port->Arrive("data");
        port.reset();
    }
}

TEST_F(ThreadedPort, AFailedOpenUndoesEverything) {
    port = std::make_unique<TFakeSerialDevice>(nullptr, true);
    port->openResult = -2;
    EXPECT_EQ(port->OpenDefault(), -2);
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->ThreadsStarted());
    EXPECT_EQ(port->SendBlock("a", 1), ecCommNotOpen);
}

}  // namespace

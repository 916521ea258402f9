#include <gtest/gtest.h>

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

// A port with real worker threads whose notifications reach a loop of the test thread.
struct ThreadedPort : ::testing::Test {
    ThreadedPort()
        : loop([this](const TSioMessage& m) {
              if (onMessage) onMessage(m);
              return std::intptr_t{0};
          }) {}

    void Open() {
        port = std::make_unique<TFakeSerialDevice>(nullptr, true);
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

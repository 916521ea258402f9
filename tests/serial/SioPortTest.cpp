// The com port over a scripted device with the real dispatcher threads.
#include <algorithm>
#include <stdexcept>

#include "PortFixture.h"
#include "ProcessCounts.h"
#include "SioMessageLoop.h"
#include "SioTestFiles.h"
#include "TempDir.h"

using State = TSioCustomComPort::TPortState;

TEST_F(PortFixture, OpensOnceClosesOnceAndTellsUsersLastFirst) {
    std::vector<std::string> heard;
    port.RegisterUserCallback(
        [&](TSioPort, bool opening) { heard.push_back(opening ? "A+" : "A-"); });
    port.RegisterUserCallback(
        [&](TSioPort, bool opening) { heard.push_back(opening ? "B+" : "B-"); });
    port.OnPortOpen = [&](TSioPort p) { heard.push_back(p == &port ? "open" : "?"); };
    port.OnPortClose = [&](TSioPort) { heard.push_back("close"); };

    port.SetOpen(true);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.State(), State::StateOpen);
    EXPECT_EQ(opened, std::vector<std::string>{"COM1"});
    EXPECT_EQ(device->DeviceName(), "COM1");

    port.SetOpen(false);
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"B+", "A+", "open", "B-", "A-", "close"}));
}

TEST_F(PortFixture, FailedOpensRaiseTheirOwnClassAndLeaveThePortClosed) {
    nextOpenResult = -2;
    try {
        port.SetOpen(true);
        FAIL() << "missing device opened";
    } catch (const EBadId& e) {
        EXPECT_EQ(e.Message(), "ie_BadId - Specified comport doesn't exist");
    }
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);

    nextOpenResult = -5;
    try {
        port.SetOpen(true);
        FAIL() << "held device opened";
    } catch (const EAlreadyOpen& e) {
        EXPECT_EQ(e.Message(), "ie_Open - device already open");
    }
    EXPECT_EQ(port.State(), State::StateClosed);

    port.SetComNumber(0);
    port.SetPromptForPort(false);
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);

    // An exception from OnPortOpen undoes the open.
    nextOpenResult = 3;
    port.SetComNumber(2);
    port.OnPortOpen = [](TSioPort) { throw ENoMoreTriggers(-5001); };
    EXPECT_THROW(port.SetOpen(true), ENoMoreTriggers);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST_F(PortFixture, ArrivedBytesAreAnnouncedAndReadInOrder) {
    std::vector<std::uint16_t> counts;
    std::string read;
    bool emptyRaised = false;
    const auto me = std::this_thread::get_id();
    bool onMyThread = true;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        onMyThread = onMyThread && std::this_thread::get_id() == me;
        counts.push_back(count);
        for (std::uint16_t i = 0; i < count; ++i) read.push_back(p->ReadChar());
        try {
            p->ReadChar();
        } catch (const EBufferIsEmpty& e) {
            emptyRaised = e.Message() == "Buffer is empty";
        }
    };
    port.SetOpen(true);
    device->Arrive("OK\r");
    ASSERT_TRUE(Until([&] { return !counts.empty(); }));
    EXPECT_EQ(counts, std::vector<std::uint16_t>{3});
    EXPECT_EQ(read, "OK\r");
    EXPECT_TRUE(emptyRaised);
    EXPECT_TRUE(onMyThread);
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_THROW(port.ReadChar(), EBufferIsEmpty);
}

TEST_F(PortFixture, WriteStringQueuesAllOrNothing) {
    holdOutput = true;  // nothing leaves, so the free room is known
    port.SetOutSize(16);
    port.SetOpen(true);
    port.WriteString("");
    port.WriteString(std::string(10, 'a'));
    EXPECT_THROW(port.WriteString("1234567"), EOutputBufferTooSmall);
    EXPECT_EQ(port.OutputPending(), 10);
    port.WriteString("123456");
    EXPECT_EQ(port.OutputPending(), 16);
    device->holdOutput = false;
    ASSERT_TRUE(Until([&] { return device->Sent().size() == 16; }));
    EXPECT_EQ(device->Sent(), std::string(10, 'a') + "123456");
}

TEST_F(PortFixture, OperationsOnAClosedPortOpenItOnlyWithAutoOpen) {
    port.WriteString("Q");
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(opened.size(), 1u);
    port.SetOpen(false);

    port.SetAutoOpen(false);
    EXPECT_THROW(port.FlushInput(), ECommNotOpen);
    EXPECT_THROW(port.WriteString("Q"), ECommNotOpen);
    EXPECT_THROW(port.ReadChar(), ECommNotOpen);
    EXPECT_FALSE(port.Open());

    // A failing reopen comes out of the operation.
    port.SetAutoOpen(true);
    nextOpenResult = -2;
    EXPECT_THROW(port.FlushInput(), EBadId);
    EXPECT_FALSE(port.Open());
}

TEST_F(PortFixture, ClosingInsideTheHandlerFinishesOnceTheHandlerReturned) {
    bool closedEvent = false;
    bool openDuringCloseEvent = false;
    char afterClose = 'x';
    port.OnPortClose = [&](TSioPort p) {
        closedEvent = true;
        openDuringCloseEvent = p->Open();
    };
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t) {
        p->SetOpen(false);
        EXPECT_TRUE(closedEvent);
        EXPECT_EQ(p->State(), State::StateClosing);
        afterClose = p->ReadChar();  // nothing happens while closing
        p->WriteString("ignored");
    };
    port.SetOpen(true);
    device->Arrive("x");
    ASSERT_TRUE(Until([&] { return closedEvent; }));
    EXPECT_TRUE(openDuringCloseEvent);
    EXPECT_EQ(afterClose, 0);
    ASSERT_TRUE(Until([&] { return port.State() == State::StateClosed; }));
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST_F(PortFixture, ReopenAskedForDuringADeferredCloseHappensAfterIt) {
    int avail = 0;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        ++avail;
        while (count--) p->ReadChar();
        if (avail == 1) {
            p->SetOpen(false);
            p->SetOpen(true);
        }
    };
    port.SetOpen(true);
    device->Arrive("a");
    ASSERT_TRUE(Until([&] { return opened.size() == 2 && port.State() == State::StateOpen; }));
    device->Arrive("b");
    ASSERT_TRUE(Until([&] { return avail == 2; }));
}

TEST_F(PortFixture, ChangingTheNumberWhileOpenMovesTriggersAndTraceRequests) {
    port.SetOpen(true);
    const std::uint16_t timer = port.NewTimerTrigger();
    port.SetTracing(TTraceLogState::tlOn);
    port.SetLogging(TTraceLogState::tlOn);
    port.SetLogging(TTraceLogState::tlPause);
    port.SetComNumber(2);
    EXPECT_EQ(opened, (std::vector<std::string>{"COM1", "COM2"}));
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOn);
    EXPECT_EQ(port.Logging(), TTraceLogState::tlOff);
    EXPECT_NO_THROW(port.ArmTimerTrigger(timer, 1, true));
    EXPECT_THROW(port.ArmTimerTrigger(static_cast<std::uint16_t>(timer + 8), 1, true),
                 EBadTriggerHandle);
}

TEST_F(PortFixture, TraceOfAConversationIsWrittenAtClose) {
    TempDir dir;
    const std::string path = dir.Path() + "/SERIAL.TRC";
    port.SetTraceName(path);
    port.SetTracing(TTraceLogState::tlOn);
    port.OnTriggerAvail = [](TSioPort p, std::uint16_t count) {
        while (count--) p->ReadChar();
    };
    port.SetOpen(true);
    port.WriteString("Q?\r");
    device->Arrive("OK\r");
    ASSERT_TRUE(Until([&] { return port.InputCount() == 0 && device->Sent() == "Q?\r"; }));
    ASSERT_TRUE(Until([&] { return device->DriverInputCount() == 0; }));
    ASSERT_TRUE(Until([&] { return port.InputCount() == 0; }));
    port.SetOpen(false);
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);
    EXPECT_EQ(ReadFileText(path), "Transmit: \r\nQ?[0D]\r\n\r\nReceive: \r\nOK[0D]");
}

TEST_F(PortFixture, NothingIsWrittenWithTracingOff) {
    TempDir dir;
    port.SetTraceName(dir.Path() + "/SERIAL.TRC");
    port.SetLogName(dir.Path() + "/SERIAL.LOG");
    port.SetOpen(true);
    port.WriteString("Q");
    port.SetOpen(false);
    EXPECT_FALSE(FileExists(dir.Path() + "/SERIAL.TRC"));
    EXPECT_FALSE(FileExists(dir.Path() + "/SERIAL.LOG"));
}

TEST_F(PortFixture, HandlerExceptionsAreShownOnceAndDeliveryGoesOn) {
    int calls = 0;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        while (count--) p->ReadChar();
        if (++calls == 1) throw std::runtime_error("handler failed");
    };
    port.SetOpen(true);
    device->Arrive("a");
    ASSERT_TRUE(Until([&] { return calls == 1; }));
    device->Arrive("b");
    ASSERT_TRUE(Until([&] { return calls == 2; }));
    EXPECT_EQ(shown, std::vector<std::string>{"handler failed"});
}

TEST_F(PortFixture, ManyOpenCloseCyclesLeaveNoThreadBehind) {
    // The baseline follows one full cycle: runtimes (a sanitizer's, for one) start helper
    // threads of their own at the first thread.
    port.SetOpen(true);
    port.SetOpen(false);
    const int before = ThreadCount();
    int avail = 0;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        ++avail;
        while (count--) p->ReadChar();
    };
    for (int i = 0; i < 50; ++i) {
        port.SetOpen(true);
        if (i % 20 == 0) {
            device->Arrive("z");
            ASSERT_TRUE(Until([&] { return avail == i / 20 + 1; }));
        }
        port.SetOpen(false);
    }
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; }));
}

TEST_F(PortFixture, CloseOutsideHandlersIsImmediateEvenWhileADeliveryWaits) {
    int calls = 0;
    port.OnTriggerAvail = [&](TSioPort, std::uint16_t) { ++calls; };
    port.SetOpen(true);
    auto* loop = dynamic_cast<TSioMessageLoop*>(port.NotifyWindow());
    ASSERT_NE(loop, nullptr);
    device->Arrive("a");
    // The dispatcher thread now waits for this thread to take its notification.
    ASSERT_TRUE(WaitUntil([&] { return loop->PendingCount() == 1; }));
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.State(), State::StateClosed);
    EXPECT_EQ(port.Dispatcher(), nullptr);
    EXPECT_EQ(calls, 0);  // a notification of a port being closed is not delivered
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

TEST_F(PortFixture, SettingsApplyAtOnceWhileOpenAndFlowRulesHold) {
    port.SetOpen(true);
    port.SetBaud(4800);
    EXPECT_EQ(device->DeviceBlock().BaudRate, 4800u);

    // Hardware flow derives usable thresholds and hands DTR to the driver: a DTR request is
    // then answered "flow-managed" and the property keeps its value.
    port.SetHWFlowOptions(hwfUseDTR);
    EXPECT_EQ(port.BufferFull(), 3686);
    EXPECT_EQ(port.BufferResume(), 409);
    port.SetDTR(false);
    EXPECT_TRUE(port.DTR());

    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    port.SetRS485Mode(true);
    EXPECT_EQ(port.HWFlowOptions(), 0);

    port.SetBufferFull(5000);  // above the receive queue: 90 % of the queue
    EXPECT_EQ(port.BufferFull(), 3686);

    port.SetTraceSize(5'000'000);
    EXPECT_EQ(port.TraceSize(), 4'000'000u);
    port.SetTracing(TTraceLogState::tlOn);
    port.SetTracing(TTraceLogState::tlPause);
    port.SetTraceSize(100);  // a paused trace is dropped
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);
    EXPECT_EQ(port.Version(), "v1.00");
}

TEST_F(PortFixture, LoadingStoresOpenAndOpensAfterwards) {
    port.BeginLoading();
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(CheckResult(&port, -2001), -2001);  // nothing raised while loading
    port.EndLoading();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(port.State(), State::StateOpen);
    port.SetOpen(false);

    // A failing open at the end of loading is shown, not raised.
    nextOpenResult = -2;
    port.BeginLoading();
    port.SetOpen(true);
    EXPECT_NO_THROW(port.EndLoading());
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(shown, std::vector<std::string>{"ie_BadId - Specified comport doesn't exist"});
}

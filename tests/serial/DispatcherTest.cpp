#include <gtest/gtest.h>

#include "DispatcherFixture.h"
#include "SioDispatcherRegistry.h"
#include "SioErrorCodes.h"

using namespace sio;

namespace {

TEST(InputRing, KeepsFullAndEmptyApartAcrossTheWrap) {
    TSioInputRing ring;
    ring.Allocate();
    ring.Commit(TSioInputRing::Size - 3);
    ring.Consume(TSioInputRing::Size - 3);
    EXPECT_EQ(ring.ContiguousFree(), 3u);  // up to the end of the buffer first
    ring.Commit(3);
    EXPECT_EQ(ring.ContiguousFree(), TSioInputRing::Size - 3);
    ring.Commit(TSioInputRing::Size - 3);
    EXPECT_TRUE(ring.Full());
    EXPECT_EQ(ring.Count(), TSioInputRing::Size);
    EXPECT_EQ(ring.ContiguousFree(), 0u);
}

TEST(OutputRing, SendsWrappedDataInOneStretchAfterRotation) {
    TSioOutputRing ring;
    ring.Allocate(8);
    const std::uint8_t first[] = {'a', 'b', 'c', 'd', 'e', 'f'};
    ASSERT_EQ(ring.Write(first, 6), 6u);
    ring.Advance(5);  // "f" left at index 5
    const std::uint8_t more[] = {'g', 'h', 'i', 'j', 'k', 'l', 'm'};
    ASSERT_EQ(ring.Write(more, 7), 7u);  // exactly the free room: the ring is full
    EXPECT_TRUE(ring.Full());
    EXPECT_EQ(ring.Write(more, 1), 0u);
    auto stretch = ring.NextStretch();
    EXPECT_EQ(std::string(stretch.begin(), stretch.end()), "fghijklm");
    ring.Advance(static_cast<std::uint32_t>(stretch.size()));
    EXPECT_EQ(ring.Pending(), 0u);
    EXPECT_TRUE(ring.NextStretch().empty());
}

TEST(DataMatcher, FindsOverlappingAndCaseFreeMatches) {
    TSioDataMatcher matcher("aab", false);
    std::string hits;
    for (char c : std::string("aaabaab"))
        hits.push_back(matcher.Feed(static_cast<std::uint8_t>(c)) ? '1' : '0');
    EXPECT_EQ(hits, "0001001");

    TSioDataMatcher caseFree("ok\r", true);
    EXPECT_FALSE(caseFree.Feed('O'));
    EXPECT_FALSE(caseFree.Feed('k'));
    EXPECT_TRUE(caseFree.Feed('\r'));

    TSioDataMatcher repeat("abab", false);
    hits.clear();
    for (char c : std::string("ababab"))
        hits.push_back(repeat.Feed(static_cast<std::uint8_t>(c)) ? '1' : '0');
    EXPECT_EQ(hits, "000100");  // a match restarts the search
}

TEST(DispatcherRegistry, HandlesAreSlotsAndEmptySlotsAreReused) {
    TFakeSerialDevice a;
    const auto first = a.Handle();
    {
        TFakeSerialDevice b;
        EXPECT_EQ(DispatcherRegistry().At(b.Handle()), &b);
        EXPECT_NE(b.Handle(), first);
    }
    TFakeSerialDevice c;
    EXPECT_EQ(DispatcherRegistry().At(c.Handle()), &c);
    EXPECT_EQ(DispatcherRegistry().At(first), &a);
    EXPECT_EQ(DispatcherRegistry().At(60000), nullptr);
}

using Availability = DispatcherFixture;

TEST_F(Availability, EachArrivalIsAnnouncedOnceWithTheUnreadCount) {
    port.SetAvailThreshold(1);
    onMessage = [&](const TSioMessage& m) {
        EXPECT_EQ(ReadAll(static_cast<std::uint32_t>(m.WParam)), "OK\r");
    };
    Arrive("OK\r");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].Msg, TriggerMsgAvail);
    EXPECT_EQ(received[0].WParam, 3u);
    EXPECT_EQ(static_cast<std::uint32_t>(received[0].LParam) >> 16, port.Handle());
    EXPECT_EQ(port.InputCount(), 0u);
    port.ServicePass();  // nothing new arrived
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(Availability, BytesLeftUnreadAreAnnouncedAgainOnlyWithNewInput) {
    port.SetAvailThreshold(1);
    onMessage = [&](const TSioMessage&) { port.ReadChar(); };
    Arrive("abc");
    EXPECT_EQ(port.InputCount(), 2u);
    port.ServicePass();
    EXPECT_EQ(received.size(), 1u);
    onMessage = [&](const TSioMessage& m) {
        EXPECT_EQ(ReadAll(static_cast<std::uint32_t>(m.WParam)), "bcde");
    };
    Arrive("de");
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].WParam, 4u);
    EXPECT_EQ(port.InputCount(), 0u);
}

namespace {
TSioBaseDispatcher* procTarget = nullptr;
std::string procRead;
void ReadThree(const TSioMessage&) {
    for (int i = 0; i < 3; ++i) procRead.push_back(static_cast<char>(procTarget->ReadChar()));
}
}  // namespace

TEST_F(Availability, TwoHandlersSeeTheSameBytesAndTheTailMovesByTheMost) {
    procTarget = &port;
    procRead.clear();
    port.AddProcHandler(ReadThree);
    port.SetAvailThreshold(1);
    std::string windowRead;
    onMessage = [&](const TSioMessage&) { windowRead = ReadAll(5); };
    Arrive("12345678");
    EXPECT_EQ(procRead, "123");
    EXPECT_EQ(windowRead, "12345");
    EXPECT_EQ(port.InputCount(), 3u);
    EXPECT_EQ(port.ReadChar(), '6');
    port.RemoveProcHandler(ReadThree);
}

TEST_F(Availability, PeekingFarBeyondTheUnreadBytesFindsNothing) {
    port.SetAvailThreshold(1);
    std::vector<std::int32_t> peeks;
    onMessage = [&](const TSioMessage&) {
        port.ReadChar();  // one byte read ahead
        for (std::uint32_t n : {1u, 2u, 3u, 0xFFFFFFFFu, 0u}) peeks.push_back(port.PeekNth(n));
    };
    Arrive("abc");
    EXPECT_EQ(peeks, (std::vector<std::int32_t>{'b', 'c', ecBufferIsEmpty, ecBufferIsEmpty,
                                                ecBufferIsEmpty}));
}

TEST_F(Availability, AHandlerReadsAcrossTheRingsEndAndAReopenedPortStartsEmpty) {
    port.Arrive(std::string(TSioInputRing::Size - 3, '-'));
    port.ServicePass();
    ReadAll(TSioInputRing::Size - 3);
    port.SetAvailThreshold(1);
    std::string inHandler;
    std::vector<std::uint32_t> counts;
    onMessage = [&](const TSioMessage& m) {
        inHandler = ReadAll(static_cast<std::uint32_t>(m.WParam));
        counts.push_back(port.InputCount());
        EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);  // nothing beyond what was announced
    };
    Arrive("wrapped");
    EXPECT_EQ(inHandler, "wrapped");
    EXPECT_EQ(counts, std::vector<std::uint32_t>{0});
    EXPECT_EQ(port.InputCount(), 0u);

    // Bytes left unread when the port closes are gone when it opens again.
    onMessage = [&](const TSioMessage&) {};
    Arrive("stale");
    port.ClosePort();
    ASSERT_EQ(port.OpenDefault(), 0);
    EXPECT_EQ(port.InputCount(), 0u);
    EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);
    EXPECT_EQ(port.PeekNth(1), ecBufferIsEmpty);
}

TEST_F(Availability, ReadCharOutsideAHandlerTakesBytesDirectly) {
    EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);
    Arrive("xy");  // threshold 0: no notification
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(port.PeekNth(2), 'y');
    EXPECT_EQ(port.PeekNth(3), ecBufferIsEmpty);
    EXPECT_EQ(port.ReadChar(), 'x');
    EXPECT_EQ(port.ReadChar(), 'y');
    EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);
}

TEST_F(Availability, DiscardInsideADispatchDropsEverythingUnread) {
    port.SetAvailThreshold(1);
    const std::int32_t trigger = port.NewDataTrigger("END", false);
    onMessage = [&](const TSioMessage&) {
        port.ReadChar();
        port.DiscardInput();
    };
    Arrive("abcEN");
    EXPECT_EQ(port.InputCount(), 0u);
    onMessage = nullptr;
    Arrive("D");  // the discarded "EN" must not complete the trigger
    for (const auto& m : received) EXPECT_NE(m.Msg, TriggerMsgData);
    EXPECT_GT(trigger, 0);
}

TEST_F(Availability, RingFullStopsReadingUntilBytesAreTaken) {
    port.Arrive(std::string(TSioInputRing::Size + 10, 'z'));
    port.ServicePass();
    EXPECT_EQ(port.InputCount(), TSioInputRing::Size);
    EXPECT_EQ(port.DriverInputCount(), 10u);
    port.ReadChar();
    port.ServicePass();
    EXPECT_EQ(port.InputCount(), TSioInputRing::Size);
    EXPECT_EQ(port.DriverInputCount(), 9u);
}

using DataTriggers = DispatcherFixture;

TEST_F(DataTriggers, MatchAcrossArrivalsAndTheRingsWrap) {
    // Move the ring positions close to the end of the buffer.
    port.Arrive(std::string(TSioInputRing::Size - 2, '-'));
    port.ServicePass();
    ReadAll(TSioInputRing::Size - 2);
    const std::int32_t handle = port.NewDataTrigger("OK\r", false);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(handle % 8, 0);
    Arrive("xO");
    EXPECT_TRUE(received.empty());
    Arrive("K\rtail");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].Msg, TriggerMsgData);
    EXPECT_EQ(received[0].WParam, static_cast<std::uintptr_t>(handle));
    EXPECT_EQ(received[0].LParam & 0xFFFF, 3);
}

TEST_F(DataTriggers, AnnouncesTheBytesBeforeTheMatchThenTheMatchedTriggers) {
    port.SetAvailThreshold(2);
    const std::int32_t first = port.NewDataTrigger("\r", false);
    const std::int32_t second = port.NewDataTrigger("ok\r", true);
    Arrive("hello OK\r");
    // The bytes before the match, both triggers (last created first), then the unread rest.
    ASSERT_EQ(Messages(), (std::vector<std::uint32_t>{TriggerMsgAvail, TriggerMsgData,
                                                      TriggerMsgData, TriggerMsgAvail}));
    EXPECT_EQ(received[0].WParam, 6u);  // "hello " precedes the longest match
    EXPECT_EQ(received[1].WParam, static_cast<std::uintptr_t>(second));
    EXPECT_EQ(received[2].WParam, static_cast<std::uintptr_t>(first));
    EXPECT_EQ(received[3].WParam, 9u);
}

TEST_F(DataTriggers, InputDiscardedBeforeTheirTurnTakesTheMatchesAlong) {
    port.SetAvailThreshold(1);
    const std::int32_t handle = port.NewDataTrigger("OK", false);
    onMessage = [&](const TSioMessage& m) {
        if (m.Msg == TriggerMsgAvail) port.DiscardInput();
    };
    Arrive("abOK");
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{TriggerMsgAvail});
    EXPECT_EQ(port.InputCount(), 0u);

    // A match that arrives later is reported as usual.
    onMessage = nullptr;
    received.clear();
    Arrive("OK");
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].Msg, TriggerMsgData);
    EXPECT_EQ(received[0].WParam, static_cast<std::uintptr_t>(handle));
}

TEST_F(DataTriggers, RestoredTriggersDoNotFinishMatchesBegunBeforeTheClose) {
    const std::int32_t handle = port.NewDataTrigger("AT", false);
    Arrive("xA");
    TriggerSnapshot snapshot;
    port.SaveTriggers(snapshot);
    port.ClosePort();
    ASSERT_EQ(port.OpenDefault(), 0);
    port.RestoreTriggers(snapshot);
    Arrive("T");
    EXPECT_TRUE(received.empty());
    Arrive("AT");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].WParam, static_cast<std::uintptr_t>(handle));
}

TEST_F(DataTriggers, RejectsTextsThatDoNotFitAndBadHandles) {
    EXPECT_EQ(port.NewDataTrigger(std::string(23, 'a'), false), ecTriggerTooLong);
    EXPECT_GT(port.NewDataTrigger(std::string(22, 'a'), false), 0);
    EXPECT_EQ(port.NewDataTrigger("", false), ecBadArgument);
    EXPECT_EQ(port.DropTrigger(0), ecBadTriggerHandle);
    EXPECT_EQ(port.DropTrigger(12345), ecBadTriggerHandle);
    port.SetAvailThreshold(1);
    EXPECT_EQ(port.DropTrigger(AvailTriggerHandle), 0);
    EXPECT_EQ(port.AvailThreshold(), 0);
}

using StatusTriggers = DispatcherFixture;

TEST_F(StatusTriggers, HandlesCarryTheirKind) {
    EXPECT_EQ(port.NewStatusTrigger(StatusOutSent), 8 | 5);
    EXPECT_EQ(port.NewStatusTrigger(StatusModem), 16 | 1);
    EXPECT_EQ(port.NewTimerTrigger(), 24);
    EXPECT_EQ(port.NewStatusTrigger(6), ecBadArgument);
    EXPECT_EQ(port.StatusTriggerKind(13), StatusOutSent);
    EXPECT_EQ(port.ArmStatusTrigger(24, 0, true),
              ecBadTriggerHandle);  // a timer, not a status trigger
    EXPECT_EQ(port.ArmTimerTrigger(13, 1, true), ecBadTriggerHandle);
    EXPECT_EQ(port.DropTrigger(13), 0);
    EXPECT_EQ(port.DropTrigger(13), ecBadTriggerHandle);
}

TEST_F(StatusTriggers, AfterTheCounterRunsOutFreedLowHandlesAreReused) {
    std::int32_t last = 0;
    for (int i = 1; i < 4096; ++i) last = port.NewTimerTrigger();
    EXPECT_EQ(last, 4095 * 8);
    EXPECT_EQ(port.NewTimerTrigger(), ecNoMoreTriggers);  // 8..4096 are all taken
    EXPECT_EQ(port.NewStatusTrigger(StatusOutSent), ecNoMoreTriggers);
    ASSERT_EQ(port.DropTrigger(24), 0);
    EXPECT_EQ(port.NewStatusTrigger(StatusOutSent), 24 | 5);
    ASSERT_EQ(port.DropTrigger(8), 0);
    EXPECT_EQ(port.NewDataTrigger("x", false), 8);
    port.ClearTriggers();
    EXPECT_EQ(port.NewTimerTrigger(), 8);
}

TEST_F(StatusTriggers, EachKindFiresOnItsConditionAndOnlyOnce) {
    const std::int32_t modem = port.NewStatusTrigger(StatusModem);
    const std::int32_t line = port.NewStatusTrigger(StatusLine);
    const std::int32_t free = port.NewStatusTrigger(StatusOutFree);
    const std::int32_t used = port.NewStatusTrigger(StatusOutUsed);
    const std::int32_t sent = port.NewStatusTrigger(StatusOutSent);
    ASSERT_EQ(port.ArmStatusTrigger(modem, ModemCts, true), 0);
    ASSERT_EQ(port.ArmStatusTrigger(line, 4 /* framing */, true), 0);
    port.TimerPass();
    EXPECT_TRUE(received.empty());

    port.SetModemLines(ModemCts);
    port.RaiseEvent(EvCts);
    port.ServicePass();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].Msg, TriggerMsgStatus);
    EXPECT_EQ(received[0].WParam, static_cast<std::uintptr_t>(modem));
    EXPECT_EQ(port.ReadModemStatus(0xFE) & 0x11,
              ModemCts | ModemDeltaCts);  // the change is seen once
    EXPECT_EQ(port.ReadModemStatus(0xFF) & 0x11, ModemCts);
    port.RaiseEvent(EvRing);
    port.ServicePass();
    EXPECT_TRUE(port.RingEdge());
    EXPECT_FALSE(port.RingEdge());

    port.SetLineErrors(LineParity);  // not watched
    port.RaiseEvent(EvErr);
    port.ServicePass();
    EXPECT_EQ(received.size(), 1u);
    port.SetLineErrors(LineFraming);
    port.RaiseEvent(EvErr);
    port.ServicePass();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].WParam, static_cast<std::uintptr_t>(line));
    EXPECT_EQ(port.TakeLineError(), 3);  // parity came first
    EXPECT_EQ(port.TakeLineError(), 0);

    ASSERT_EQ(port.SendBlock("12345", 5), 0);
    ASSERT_EQ(port.ArmStatusTrigger(free, 4000, true), 0);
    ASSERT_EQ(port.ArmStatusTrigger(used, 10, true), 0);
    ASSERT_EQ(port.ArmStatusTrigger(sent, 0, true), 0);
    port.TimerPass();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[2].WParam, static_cast<std::uintptr_t>(free));
    EXPECT_EQ(received[2].LParam & 0xFFFF, 4096 - 5);
    EXPECT_EQ(received[3].WParam, static_cast<std::uintptr_t>(used));
    EXPECT_EQ(received[3].LParam & 0xFFFF, 5);
    EXPECT_EQ(received[4].WParam, static_cast<std::uintptr_t>(sent));
    port.TimerPass();  // all disarmed
    EXPECT_EQ(received.size(), 5u);
}

using Timers = DispatcherFixture;

TEST_F(Timers, ExpireInOrderOfTheirDeadlines) {
    const std::int32_t slow = port.NewTimerTrigger();
    const std::int32_t fast = port.NewTimerTrigger();
    ASSERT_EQ(port.ArmTimerTrigger(slow, 10, true), 0);
    ASSERT_EQ(port.ArmTimerTrigger(fast, 2, true), 0);
    clock.Advance(2 * 55);
    port.TimerPass();
    EXPECT_TRUE(received.empty());
    clock.Advance(2 * 55);
    port.TimerPass();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].WParam, static_cast<std::uintptr_t>(fast));
    clock.Advance(8 * 55);
    port.TimerPass();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].WParam, static_cast<std::uintptr_t>(slow));
    EXPECT_EQ(received[1].Msg, TriggerMsgTimer);
    // Re-arming with 0 ticks keeps the duration.
    ASSERT_EQ(port.ArmTimerTrigger(fast, 0, true), 0);
    clock.Advance(3 * 55);
    port.TimerPass();
    EXPECT_EQ(received.size(), 3u);
}

TEST(EventTimer, RecognisesExpiryAcrossTheClockWrap) {
    TSioEventTimer timer;
    timer.Start(0x7FFFFFFFu - 55, 5);
    EXPECT_FALSE(timer.Expired(0x7FFFFFFFu - 55));
    EXPECT_TRUE(timer.Expired(10 * 55));  // the tick count has wrapped
    timer.Start(0x7FFFFFFFu - 55, 1000);
    EXPECT_FALSE(timer.Expired(10 * 55));
}

TEST(EventTimer, SleepingTheWaitUntilExpiryEndsExactlyAtTheExpiry) {
    // What the dispatcher thread sleeps before a timer is due: followed step by step it must
    // land on the first expired millisecond, never beyond it (late) and never short of it
    // except at the wrap of the tick count, after which it is asked again.
    const std::uint32_t tick = TSioEventTimer::TickMs;
    for (std::uint32_t start :
         {0u, 54u, 1000u, 55'013u, 0x7FFFFFFFu - 3 * tick - 7, 0x7FFFFFFFu - 20u}) {
        for (std::uint32_t ticks : {0u, 1u, 2u, 3u, 36u, 100u}) {
            TSioEventTimer timer;
            timer.Start(start, ticks);
            std::uint32_t firstExpired = start;
            while (!timer.Expired(firstExpired)) ++firstExpired;
            for (std::uint32_t from = start; from != firstExpired + 2;
                 from += from + 37 < firstExpired ? 37 : 1) {
                std::uint32_t now = from;
                for (int step = 0; !timer.Expired(now); ++step) {
                    ASSERT_LT(step, 3) << "start " << start << " ticks " << ticks;
                    const std::uint32_t wait = timer.MsUntilExpired(now);
                    ASSERT_GT(wait, 0u);
                    now += wait;
                    ASSERT_LE(now - from, firstExpired - from)
                        << "slept past the expiry: start " << start << " ticks " << ticks
                        << " from " << from;
                }
                if (from <= firstExpired)
                    EXPECT_EQ(now, firstExpired) << "start " << start << " ticks " << ticks;
                else
                    EXPECT_EQ(timer.MsUntilExpired(from), 0u);
            }
        }
    }
}

TEST_F(Timers, SnapshotCarriesTriggersToANewDispatcher) {
    port.SetAvailThreshold(4);
    const std::int32_t timer = port.NewTimerTrigger();
    const std::int32_t data = port.NewDataTrigger("AT", false);
    TriggerSnapshot snapshot;
    port.SaveTriggers(snapshot);

    TFakeSerialDevice other(&clock);
    ASSERT_EQ(other.OpenDefault(), 0);
    other.RestoreTriggers(snapshot);
    EXPECT_EQ(other.AvailThreshold(), 4);
    EXPECT_EQ(other.ArmTimerTrigger(timer, 1, true), 0);
    EXPECT_EQ(other.DropTrigger(data), 0);
    const std::int32_t fresh = other.NewTimerTrigger();
    EXPECT_NE(fresh, timer);  // new handles never collide with restored ones
    EXPECT_NE(fresh, data);
}

using Output = DispatcherFixture;

TEST_F(Output, LineErrorsTheDeviceReportsWhileSendingAreKept) {
    port.SetLineErrors(LineOverrun | LineBreak);
    ASSERT_EQ(port.SendBlock("x", 1), 0);  // the device's flags are taken here, once
    port.ServicePass();
    EXPECT_EQ(port.TakeLineError(), 2);
    EXPECT_TRUE(port.TakeBreak());
    EXPECT_EQ(port.TakeLineError(), 0);
}

TEST_F(Output, ABlockOfExactlyTheFreeRoomFillsTheRing) {
    const std::string block(4096 - 6, 'b');
    ASSERT_EQ(port.SendBlock("header", 6), 0);
    EXPECT_EQ(port.OutputFree(), 4096u - 6);
    EXPECT_EQ(port.SendBlock(block.data(), static_cast<std::uint32_t>(block.size())), 0);
    EXPECT_EQ(port.OutputFree(), 0u);
    EXPECT_EQ(port.OutputPending(), 4096u);
    EXPECT_EQ(port.SendBlock("x", 1), ecOutputBufferTooSmall);
    EXPECT_EQ(port.SendBlock("", 0), 0);
    EXPECT_EQ(port.DiscardOutput(), 0);
    EXPECT_EQ(port.OutputPending(), 0u);
}

using Handlers = DispatcherFixture;

TEST_F(Handlers, ASingleWindowIsServedOnlyWhenThePortHandlerIsInstalled) {
    port.SetAvailThreshold(1);
    port.RecomputeHandlerNeed(2);
    EXPECT_FALSE(port.HandlersNeedService());
    Arrive("a");
    EXPECT_TRUE(received.empty());
    port.RecomputeHandlerNeed(1);
    Arrive("b");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].WParam, 2u);
}

TEST_F(Handlers, ARemovedHandlerIsSkippedAtOnceAndFreedAfterTheDelivery) {
    port.SetAvailThreshold(1);
    int thirdCalls = 0;
    TSioMessageLoop third([&](const TSioMessage&) {
        ++thirdCalls;
        return std::intptr_t{0};
    });
    port.AttachWindow(&third);
    int methodCalls = 0;
    const TSioTriggerMethod method([&](const TSioMessage&) { ++methodCalls; });
    port.AddEventHandler(method);
    onMessage = [&](const TSioMessage&) {
        port.DetachWindow(&third);
        port.RemoveEventHandler(method);
        ReadAll(1);
    };
    Arrive("a");
    EXPECT_EQ(methodCalls, 1);  // event handlers come first
    EXPECT_EQ(thirdCalls, 0);   // removed before its turn
    Arrive("b");
    EXPECT_EQ(methodCalls, 1);
    EXPECT_EQ(thirdCalls, 0);
    EXPECT_EQ(received.size(), 2u);
}

}  // namespace
